// Ripple: slow rings run out from the middle of the photo, as if it lay under
// water. The entry functions are named in the pass instead of being main().

uniform mat4 World;
uniform mat4 ViewProjection;
uniform sampler2D MyTexture0;
uniform vec4 MyTextureResolution0;
uniform float Time;

VARYING vec2 uv;

#ifdef VERTEX
in vec3 inPosition;
in vec2 inTexCoord;

void RippleVertex()
{
    // World first, then view and projection: the same as WorldViewProjection.
    gl_Position = ViewProjection * (World * vec4(inPosition, 1.0));
    uv = inTexCoord;
}
#endif

#ifdef FRAGMENT
out vec4 outColour;

void RippleFragment()
{
    float aspect = MyTextureResolution0.y > 0.0 ? MyTextureResolution0.x / MyTextureResolution0.y : 1.0;
    vec2 d = uv - vec2(0.5);
    d.x *= aspect;
    float r = length(d);
    // Gentle: at most a third of a percent of the photo, dying out towards the edges.
    float wave = sin(r * 40.0 - Time * 2.5) * 0.0035 * (1.0 - smoothstep(0.2, 0.8, r));
    vec2 direction = r > 1e-4 ? d / r : vec2(0.0);
    direction.x /= aspect;
    vec3 c = texture(MyTexture0, uv + direction * wave).rgb;
    // Crests catch a little light.
    c *= 1.0 + wave * 12.0;
    outColour = vec4(clamp(c, 0.0, 1.0), 1.0);
}
#endif

technique Ripple
{
    pass Water
    {
        vertex = RippleVertex;
        fragment = RippleFragment;
    }
}
