// Sunset Waves: a low sun over rolling sea swells, in the Shadertoy form.
// Lumenreel sample composition.

float swell(vec2 p, float t) {
    return sin(p.y * 1.5 - t * 1.6 + sin(p.x * 0.4)) * 0.5
         + sin(p.y * 3.1 + p.x * 0.7 - t * 2.3) * 0.25
         + sin(p.x * 2.0 + p.y * 5.0 - t * 3.0) * 0.125;
}

vec3 sky(vec2 uv, vec2 sun, float aspect, float horizon) {
    float height = clamp((uv.y - horizon) / (1.0 - horizon), 0.0, 1.0);
    vec3 color = mix(vec3(1.00, 0.46, 0.22), vec3(0.28, 0.16, 0.42), pow(height, 0.6));
    color = mix(color, vec3(0.07, 0.08, 0.24), smoothstep(0.55, 1.0, height));
    float d = length((uv - sun) * vec2(aspect, 1.0));
    color += vec3(1.0, 0.55, 0.25) * 0.45 * exp(-d * 5.0);
    color = mix(color, vec3(1.0, 0.93, 0.72), smoothstep(0.082, 0.076, d));
    // Thin bands of cloud across the upper sky.
    float band = sin(uv.y * 42.0 + sin(uv.x * 3.0 + iTime * 0.12) * 2.0);
    float cloud = smoothstep(0.55, 1.0, band) * smoothstep(0.1, 0.5, height);
    return mix(color, color * vec3(0.75, 0.5, 0.62), cloud * 0.55);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float aspect = iResolution.x / iResolution.y;
    float horizon = 0.42;
    vec2 sun = vec2(0.5 + 0.04 * sin(iTime * 0.1), horizon + 0.11 - 0.02 * sin(iTime * 0.05));

    vec3 color;
    if (uv.y > horizon) {
        color = sky(uv, sun, aspect, horizon);
    } else {
        float depth = (horizon - uv.y) / horizon;
        float z = 1.0 / (depth + 0.03);
        vec2 p = vec2((uv.x - 0.5) * aspect * z, z);
        float s = swell(p, iTime) * 0.5 + 0.5;
        vec3 water = mix(vec3(0.04, 0.05, 0.15), vec3(0.35, 0.16, 0.20), exp(-depth * 3.0));
        float glitter = exp(-abs(uv.x - sun.x) * aspect * (5.0 + 28.0 * depth));
        color = water + vec3(1.0, 0.55, 0.25) * glitter * smoothstep(0.25, 0.95, s) * (1.0 - 0.5 * depth);
        color += vec3(0.9, 0.4, 0.3) * 0.18 * s * exp(-depth * 4.0);
    }

    vec2 v = uv - 0.5;
    color *= 1.0 - dot(v, v) * 0.8;
    fragColor = vec4(pow(color, vec3(0.95)), 1.0);
}
