// Time is a float by contract; a vec4 would never receive it.
uniform mat4 WorldViewProjection;
uniform vec4 Time;
#ifdef VERTEX
in vec3 inPosition;
void main() { gl_Position = WorldViewProjection * vec4(inPosition, 1.0); }
#endif
#ifdef FRAGMENT
out vec4 outColour;
void main() { outColour = vec4(Time.x); }
#endif
technique T { pass P { } }
