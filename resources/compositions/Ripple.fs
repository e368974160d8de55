/*{
    "DESCRIPTION": "Rings of ripples spreading over an image or a movie; give it one with --input inputImage=FILE.",
    "CREDIT": "Lumenreel sample composition",
    "ISFVSN": "2",
    "CATEGORIES": [ "Filter", "Distortion" ],
    "INPUTS": [
        { "NAME": "inputImage", "TYPE": "image" },
        { "NAME": "centre", "TYPE": "point2D", "DEFAULT": [ 0.5, 0.5 ], "MIN": [ 0.0, 0.0 ], "MAX": [ 1.0, 1.0 ] },
        { "NAME": "strength", "TYPE": "float", "DEFAULT": 0.04, "MIN": 0.0, "MAX": 0.1 },
        { "NAME": "rings", "TYPE": "float", "DEFAULT": 18.0, "MIN": 2.0, "MAX": 60.0 },
        { "NAME": "speed", "TYPE": "float", "DEFAULT": 1.5, "MIN": 0.0, "MAX": 6.0 }
    ]
}*/

void main() {
    vec2 uv = isf_FragNormCoord;
    vec2 aspect = vec2(RENDERSIZE.x / RENDERSIZE.y, 1.0);
    vec2 away = (uv - centre) * aspect;
    float distance = length(away);
    float phase = distance * rings - TIME * speed * 6.2831853;
    // Rings fade out with distance so the picture's edges stay calm.
    float wave = sin(phase) * exp(-2.5 * distance);
    vec2 direction = distance > 0.0 ? away / distance : vec2(0.0);
    vec2 source = uv + direction / aspect * wave * strength;
    vec4 colour = IMG_NORM_PIXEL(inputImage, clamp(source, 0.0, 1.0));
    // Crests catch a little light.
    colour.rgb += vec3(0.08) * max(wave, 0.0) * step(0.001, strength);
    gl_FragColor = colour;
}
