// Paints every covered pixel one colour (0.2, 0.4, 0.6); optimization = false; opts out.
uniform mat4 WorldViewProjection;
#ifdef VERTEX
in vec3 inPosition;
void main() { gl_Position = WorldViewProjection * vec4(inPosition, 1.0); }
#endif
#ifdef FRAGMENT
out vec4 outColour;
void main() { outColour = vec4(0.2, 0.4, 0.6, 1.0); }
#endif
technique Constant
{
    pass Paint
    {
        cull = none;
    }
}
