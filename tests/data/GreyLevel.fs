/*{
    "ISFVSN": "2",
    "DESCRIPTION": "a grey as light as its input: 0 black, 1 white",
    "INPUTS": [
        {"NAME": "level", "TYPE": "float", "DEFAULT": 0.5, "MIN": 0, "MAX": 1}
    ]
}*/
void main() {
    gl_FragColor = vec4(vec3(level), 1.0);
}
