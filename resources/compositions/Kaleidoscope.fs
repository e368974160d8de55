/*{
    "DESCRIPTION": "A slowly turning kaleidoscope built from the imported picture KaleidoscopeTile.png.",
    "CREDIT": "Lumenreel sample composition",
    "ISFVSN": "2",
    "CATEGORIES": [ "Generator" ],
    "INPUTS": [
        { "NAME": "segments", "TYPE": "long", "VALUES": [ 6, 8, 12 ], "LABELS": [ "Six", "Eight", "Twelve" ], "DEFAULT": 8 },
        { "NAME": "zoom", "TYPE": "float", "DEFAULT": 1.1, "MIN": 0.5, "MAX": 3.0 }
    ],
    "IMPORTED": {
        "tile": { "PATH": "KaleidoscopeTile.png" }
    }
}*/

void main() {
    vec2 p = (gl_FragCoord.xy - 0.5 * RENDERSIZE) / min(RENDERSIZE.x, RENDERSIZE.y);
    float radius = length(p);
    float segment = 6.28318530718 / float(segments);
    float angle = mod(atan(p.y, p.x) + TIME * 0.15, segment);
    angle = abs(angle - 0.5 * segment);

    vec2 q = vec2(cos(angle), sin(angle)) * radius * zoom;
    q += vec2(0.5 + 0.25 * sin(TIME * 0.11), 0.5 + 0.25 * cos(TIME * 0.07));
    // Mirrored repeat, so the picture continues without seams.
    vec2 mirrored = abs(mod(q, 2.0) - 1.0);
    vec3 color = IMG_NORM_PIXEL(tile, mirrored).rgb;

    float ripple = 0.92 + 0.08 * sin(radius * 28.0 - TIME * 2.0);
    float vignette = smoothstep(0.95, 0.15, radius);
    gl_FragColor = vec4(color * ripple * (0.3 + 0.7 * vignette), 1.0);
}
