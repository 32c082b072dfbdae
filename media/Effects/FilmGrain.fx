// Black-and-white film: a touch more contrast, grain that dances with Time and
// the faint flicker of a projector.

uniform mat4 WorldViewProjection;
uniform sampler2D MyTexture0;
uniform vec4 MyTextureResolution0;
uniform float Time;

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

// Cheap hash noise in 0..1.
float Noise(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

void main()
{
    vec3 c = texture(MyTexture0, uv).rgb;
    float grey = dot(c, vec3(0.299, 0.587, 0.114));
    grey = smoothstep(0.02, 0.98, grey);

    // Grain about as coarse as the photo's own pixels, never finer than the screen
    // can show; new grain 24 times a second, like film frames.
    vec2 grainSize = min(MyTextureResolution0.xy, vec2(900.0, 600.0));
    float frame = floor(Time * 24.0);
    float grain = Noise(floor(uv * grainSize) + vec2(frame * 7.13, frame * 3.71)) - 0.5;
    float flicker = 1.0 + 0.03 * sin(Time * 37.0) * sin(Time * 11.0);

    grey = clamp((grey + grain * 0.12) * flicker, 0.0, 1.0);
    outColour = vec4(vec3(grey), 1.0);
}
#endif

technique Film
{
    pass Grain
    {
    }
}
