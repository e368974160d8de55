/*{
    "DESCRIPTION": "Bars that follow the sound's spectrum over a glowing waveform; render it with a sound movie (--audio).",
    "CREDIT": "Lumenreel sample composition",
    "ISFVSN": "2",
    "CATEGORIES": [ "Generator", "Audio Reactive" ],
    "INPUTS": [
        { "NAME": "spectrum", "TYPE": "audioFFT", "MAX": 256 },
        { "NAME": "waveform", "TYPE": "audio", "MAX": 512 },
        { "NAME": "bars", "TYPE": "long", "VALUES": [ 16, 32, 64 ], "LABELS": [ "16", "32", "64" ], "DEFAULT": 32 },
        { "NAME": "gain", "TYPE": "float", "DEFAULT": 2.5, "MIN": 0.5, "MAX": 8.0 },
        { "NAME": "low", "TYPE": "color", "DEFAULT": [ 0.10, 0.55, 1.00, 1.0 ] },
        { "NAME": "high", "TYPE": "color", "DEFAULT": [ 1.00, 0.30, 0.55, 1.0 ] }
    ]
}*/

void main() {
    vec2 uv = isf_FragNormCoord;
    float count = float(bars);
    float index = floor(uv.x * count);
    // Bars sample the lower part of the spectrum more finely, as the ear hears it.
    float position = pow((index + 0.5) / count, 2.0) * 0.75;
    float level = 0.0;
    for (int i = 0; i < 4; ++i)
        level = max(level, IMG_NORM_PIXEL(spectrum, vec2(position + float(i) / 1024.0, 0.5)).r);
    float height = clamp(sqrt(level) * gain * 0.45, 0.0, 0.95);
    float inBar = step(0.12, fract(uv.x * count)) * step(uv.y, height + 0.02);
    vec3 barColour = mix(low.rgb, high.rgb, uv.y / 0.95) * (0.55 + 0.45 * uv.y / max(height, 0.05));

    float wave = IMG_NORM_PIXEL(waveform, vec2(uv.x, 0.5)).r;
    float distance = abs(uv.y - (0.55 + (wave - 0.5) * 0.6));
    vec3 waveColour = vec3(0.9, 0.95, 1.0) * smoothstep(0.012, 0.0, distance) +
                      high.rgb * 0.35 * smoothstep(0.08, 0.0, distance);

    vec3 background = mix(vec3(0.02, 0.02, 0.05), vec3(0.06, 0.03, 0.10), uv.y);
    gl_FragColor = vec4(background + barColour * inBar + waveColour, 1.0);
}
