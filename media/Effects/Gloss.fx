// Gloss: the photo as a glossy print. The first pass draws it lit per pixel by
// the book's light; the second adds a broad sheen and a sharp highlight where the
// light's reflection meets the eye.

uniform mat4 WorldViewProjection;
uniform mat4 World;
uniform mat4 WorldInverseTranspose;
uniform sampler2D MyTexture0;
uniform vec4 LightPos;
uniform vec4 EyePos;
uniform vec4 AmbientCol;
uniform vec4 DiffuseCol;
uniform vec4 SpecularCol;
uniform float Power;

VARYING vec2 uv;
VARYING vec3 worldPosition;
VARYING vec3 worldNormal;

#ifdef VERTEX
in vec3 inPosition;
in vec3 inNormal;
in vec2 inTexCoord;

void GlossVertex()
{
    gl_Position = WorldViewProjection * vec4(inPosition, 1.0);
    worldPosition = (World * vec4(inPosition, 1.0)).xyz;
    worldNormal = (WorldInverseTranspose * vec4(inNormal, 0.0)).xyz;
    uv = inTexCoord;
}
#endif

#ifdef FRAGMENT
out vec4 outColour;

// The normal turned towards the eye: pages are seen from either side.
vec3 FacingNormal(vec3 toEye)
{
    vec3 n = normalize(worldNormal);
    return dot(n, toEye) < 0.0 ? -n : n;
}

void PrintFragment()
{
    vec3 toEye = normalize(EyePos.xyz - worldPosition);
    vec3 toLight = normalize(LightPos.xyz - worldPosition);
    vec3 n = FacingNormal(toEye);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 c = texture(MyTexture0, uv).rgb;
    // Mostly the photo itself: the light only shades it a little.
    vec3 light = AmbientCol.rgb * 0.75 + DiffuseCol.rgb * 0.25 * diffuse;
    outColour = vec4(c * light, 1.0);
}

void SheenFragment()
{
    vec3 toEye = normalize(EyePos.xyz - worldPosition);
    vec3 toLight = normalize(LightPos.xyz - worldPosition);
    vec3 n = FacingNormal(toEye);
    float nDotH = max(dot(n, normalize(toEye + toLight)), 0.0);
    // Power is the book's own 1000: the sharp spot uses it, the sheen a softer share.
    float sheen = pow(nDotH, Power * 0.02) * 0.25;
    float spot = pow(nDotH, Power) * 0.8;
    outColour = vec4(SpecularCol.rgb * (sheen + spot), 1.0);
}
#endif

technique Gloss
{
    pass Print
    {
        vertex = GlossVertex;
        fragment = PrintFragment;
    }
    pass Sheen
    {
        vertex = GlossVertex;
        fragment = SheenFragment;
        blend = additive;
        depthwrite = false;
    }
}
