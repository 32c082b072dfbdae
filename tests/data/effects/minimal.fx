// Only the two names a photo needs: everything else is not declared.
uniform mat4 WorldViewProjection;
uniform sampler2D MyTexture0;
VARYING vec2 uv;
#ifdef VERTEX
in vec3 inPosition;
in vec2 inTexCoord;
void main() { gl_Position = WorldViewProjection * vec4(inPosition, 1.0); uv = inTexCoord; }
#endif
#ifdef FRAGMENT
out vec4 outColour;
void main() { outColour = texture(MyTexture0, uv); }
#endif
technique T { pass P { } }
