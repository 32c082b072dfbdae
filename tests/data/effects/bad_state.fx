uniform mat4 WorldViewProjection;
#ifdef VERTEX
in vec3 inPosition;
void main() { gl_Position = WorldViewProjection * vec4(inPosition, 1.0); }
#endif
#ifdef FRAGMENT
out vec4 outColour;
void main() { outColour = vec4(1.0); }
#endif
technique T
{
    pass P
    {
        wobble = true;
    }
}
