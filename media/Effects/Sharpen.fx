// Sharpen: an unsharp mask over the photo's neighbouring pixels brings out fine
// detail. The neighbours are one photo pixel apart, or one texture pixel where the
// texture holds the photo at a smaller size.

uniform mat4 WorldViewProjection;
uniform sampler2D MyTexture0;
uniform vec4 MyTextureResolution0;

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
    vec2 photoPixel = 1.0 / max(MyTextureResolution0.xy, vec2(1.0));
    vec2 texel = max(photoPixel, 1.0 / vec2(textureSize(MyTexture0, 0)));
    vec3 centre = texture(MyTexture0, uv).rgb;
    vec3 blur = (texture(MyTexture0, uv + vec2(texel.x, 0.0)).rgb +
                 texture(MyTexture0, uv - vec2(texel.x, 0.0)).rgb +
                 texture(MyTexture0, uv + vec2(0.0, texel.y)).rgb +
                 texture(MyTexture0, uv - vec2(0.0, texel.y)).rgb) * 0.25;
    outColour = vec4(clamp(centre + (centre - blur) * 1.2, 0.0, 1.0), 1.0);
}
#endif

technique Sharpen
{
    pass Mask
    {
    }
}
