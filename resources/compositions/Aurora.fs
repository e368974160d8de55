/*{
    "DESCRIPTION": "Curtains of northern light drifting over a starry sky and a dark mountain ridge.",
    "CREDIT": "Lumenreel sample composition",
    "ISFVSN": "2",
    "CATEGORIES": [ "Generator" ],
    "INPUTS": [
        { "NAME": "speed", "TYPE": "float", "DEFAULT": 0.35, "MIN": 0.0, "MAX": 2.0 },
        { "NAME": "glow", "TYPE": "color", "DEFAULT": [ 0.15, 0.95, 0.55, 1.0 ] },
        { "NAME": "fringe", "TYPE": "color", "DEFAULT": [ 0.60, 0.25, 0.95, 1.0 ] },
        { "NAME": "curtains", "TYPE": "long", "VALUES": [ 2, 3, 4 ], "LABELS": [ "Two", "Three", "Four" ], "DEFAULT": 3 },
        { "NAME": "stars", "TYPE": "bool", "DEFAULT": true }
    ]
}*/

float hash(vec2 p) {
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}

float noise(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), u.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), u.x), u.y);
}

float fbm(vec2 p) {
    float value = 0.0;
    float amplitude = 0.5;
    for (int i = 0; i < 4; ++i) {
        value += amplitude * noise(p);
        p = p * 2.03 + 1.7;
        amplitude *= 0.5;
    }
    return value;
}

void main() {
    vec2 uv = isf_FragNormCoord;
    float aspect = RENDERSIZE.x / RENDERSIZE.y;
    vec2 p = vec2(uv.x * aspect, uv.y);
    float t = TIME * speed;

    vec3 color = mix(vec3(0.010, 0.015, 0.050), vec3(0.030, 0.060, 0.140), uv.y);

    if (stars) {
        vec2 cell = floor(p * 220.0);
        float star = step(0.996, hash(cell));
        float twinkle = 0.6 + 0.4 * sin(TIME * 2.5 + hash(cell + 7.0) * 40.0);
        color += vec3(0.9, 0.9, 1.0) * star * twinkle * smoothstep(0.25, 0.6, uv.y);
    }

    for (int i = 0; i < 4; ++i) {
        if (i >= curtains)
            break;
        float fi = float(i);
        float base = 0.58 + 0.09 * fi + 0.07 * sin(p.x * 1.3 + t * 0.7 + fi * 2.1);
        float edge = base + 0.35 * fbm(vec2(p.x * 1.6 + fi * 3.7, t * 0.5 + fi)) - 0.15;
        float d = uv.y - edge;
        float curtain = smoothstep(-0.06, 0.0, d) * exp(-max(d, 0.0) * 4.5);
        float rays = 0.55 + 0.45 * noise(vec2(p.x * 38.0 + fi * 11.0, t * 1.5));
        vec3 tint = mix(glow.rgb, fringe.rgb, clamp(d * 3.5, 0.0, 1.0));
        color += tint * curtain * rays * (0.55 - 0.1 * fi);
    }

    float ridge = 0.14 + 0.16 * fbm(vec2(p.x * 1.8, 3.0)) + 0.03 * noise(vec2(p.x * 14.0, 1.0));
    color = mix(color, vec3(0.004, 0.008, 0.018), smoothstep(ridge + 0.004, ridge - 0.004, uv.y));

    gl_FragColor = vec4(pow(color, vec3(0.9)), 1.0);
}
