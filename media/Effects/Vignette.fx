// Vignette: the photo's corners fade softly into shadow, as through an old lens.

uniform mat4 WorldViewProjection;
uniform sampler2D MyTexture0;
uniform vec4 MyTextureResolution0;
uniform vec4 UVBounds0; // (u left, u right, v top, v bottom)

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
    vec2 centre = vec2(UVBounds0.x + UVBounds0.y, UVBounds0.z + UVBounds0.w) * 0.5;
    vec2 halfSize = max(vec2(UVBounds0.y - UVBounds0.x, UVBounds0.w - UVBounds0.z) * 0.5, vec2(1e-4));
    vec2 d = (uv - centre) / halfSize;
    // A round falloff on square photos, a gently oval one on long ones.
    float aspect = MyTextureResolution0.y > 0.0 ? MyTextureResolution0.x / MyTextureResolution0.y : 1.0;
    d.x *= mix(1.0, aspect, 0.35);
    float shade = 1.0 - smoothstep(0.55, 1.45, length(d));
    outColour = vec4(c * mix(0.25, 1.0, shade), 1.0);
}
#endif

technique Vignette
{
    pass Shade
    {
    }
}
