/*{
    "ISFVSN": "2",
    "DESCRIPTION": "A cheap plasma: a few sines a pixel, every pixel changing every frame",
    "INPUTS": []
}*/

void main() {
    vec2 p = gl_FragCoord.xy / RENDERSIZE.xy * 8.0;
    float t = TIME;
    float v = sin(p.x + t) + sin(p.y * 1.3 + t * 0.7) + sin((p.x + p.y) * 0.7 + t * 1.3) +
              sin(length(p - 4.0) * 1.5 - t);
    float a = v * 3.14159;
    gl_FragColor = vec4(0.5 + 0.5 * sin(a), 0.5 + 0.5 * sin(a + 2.094), 0.5 + 0.5 * sin(a + 4.188),
                        1.0);
}
