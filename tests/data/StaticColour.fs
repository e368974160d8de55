/*{
    "ISFVSN": "2",
    "DESCRIPTION": "one colour, whatever the time: a preview of it never changes"
}*/
void main() {
    gl_FragColor = vec4(0.2, 0.4, 0.6, 1.0);
}
