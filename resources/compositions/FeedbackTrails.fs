/*{
    "DESCRIPTION": "Glowing comets circle the frame and leave swirling trails that fade slowly; the trails live in a persistent floating-point buffer fed back every frame.",
    "CREDIT": "Lumenreel sample composition",
    "ISFVSN": "2",
    "CATEGORIES": [ "Generator", "Feedback" ],
    "INPUTS": [
        { "NAME": "decay", "TYPE": "float", "DEFAULT": 0.965, "MIN": 0.8, "MAX": 0.999 },
        { "NAME": "swirl", "TYPE": "float", "DEFAULT": 0.006, "MIN": -0.05, "MAX": 0.05 },
        { "NAME": "comets", "TYPE": "long", "VALUES": [ 3, 5, 7 ], "LABELS": [ "Three", "Five", "Seven" ], "DEFAULT": 5 }
    ],
    "PASSES": [
        { "TARGET": "trails", "PERSISTENT": true, "FLOAT": true },
        { }
    ]
}*/

vec3 hue(float h) {
    return clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
}

void main() {
    vec2 uv = isf_FragNormCoord;
    if (PASSINDEX == 0) {
        // The previous frame, turned a little about the centre and drawn inwards.
        vec2 centred = uv - 0.5;
        mat2 turn = mat2(cos(swirl), sin(swirl), -sin(swirl), cos(swirl));
        vec2 source = turn * centred * 0.995 + 0.5;
        vec3 previous = IMG_NORM_PIXEL(trails, source).rgb * decay;

        float aspect = RENDERSIZE.x / RENDERSIZE.y;
        vec3 light = vec3(0.0);
        for (int i = 0; i < 7; ++i) {
            if (i >= comets)
                break;
            float fi = float(i);
            float t = TIME * (0.55 + 0.12 * fi) + fi * 1.7;
            vec2 position = 0.5 + vec2(0.34 * sin(t * 1.1 + fi), 0.30 * cos(t * 0.9 + fi * 2.3));
            vec2 d = (uv - position) * vec2(aspect, 1.0);
            light += hue(fi / float(comets) + TIME * 0.04) * (0.0010 / (dot(d, d) + 0.0004));
        }
        gl_FragColor = vec4(previous + light * 0.5, 1.0);
    } else {
        vec3 color = IMG_THIS_NORM_PIXEL(trails).rgb;
        color = color / (1.0 + color);
        color = pow(color, vec3(0.8));
        vec2 v = uv - 0.5;
        color *= 1.0 - dot(v, v) * 0.9;
        gl_FragColor = vec4(color, 1.0);
    }
}
