// Sepia: the warm brown of an old print.
//
// Quillo's Photo Book effect file: GLSL 3.30 for both stages (VERTEX or
// FRAGMENT is defined while each is compiled) and a technique block at the end.

uniform mat4 WorldViewProjection;
uniform sampler2D MyTexture0;

VARYING vec2 uv;

#ifdef VERTEX
in vec3 inPosition;
in vec2 inTexCoord;

void main()
{
    gl_Position = WorldViewProjection * vec4(inPosition, 1.0);
    uv = inTexCoord;
}
#endif

#ifdef FRAGMENT
out vec4 outColour;

void main()
{
    vec3 c = texture(MyTexture0, uv).rgb;
    vec3 sepia = vec3(dot(c, vec3(0.393, 0.769, 0.189)),
                      dot(c, vec3(0.349, 0.686, 0.168)),
                      dot(c, vec3(0.272, 0.534, 0.131)));
    outColour = vec4(min(sepia, vec3(1.0)), 1.0);
}
#endif

technique Sepia
{
    pass Tone
    {
    }
}
