#pragma once
// The GLSL of the renderer's one program, which stands in for the fixed-function
// states the book draws with.

// Direct3D 9's fixed-function vertex pipeline for the states the book uses, per
// vertex (Gouraud), in world space: the same as its camera-space lighting for the
// rigid view transforms the camera builds.
inline constexpr const char* kFixedFunctionVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

uniform mat4 uWorldViewProjection;
uniform mat4 uWorld;
uniform bool uConvertDepth;
uniform bool uLit;
uniform vec4 uMaterial;
uniform vec3 uAmbient;
uniform bool uLightOn;
uniform vec3 uLightPosition;
uniform float uLightRange;
uniform vec3 uEye;
uniform bool uSpecular;
uniform float uPower;

out vec4 vDiffuse;
out vec3 vSpecular;
out vec2 vTexCoord;

void main()
{
    // Row-vector matrices uploaded untransposed: M * v here is v * M there.
    gl_Position = uWorldViewProjection * vec4(aPosition, 1.0);
    if (uConvertDepth)
        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    vTexCoord = aTexCoord;
    vSpecular = vec3(0.0);
    if (!uLit)
    {
        vDiffuse = aColour;
        return;
    }
    vec3 position = (uWorld * vec4(aPosition, 1.0)).xyz;
    vec3 normal = normalize(mat3(uWorld) * aNormal);
    vec3 colour = uMaterial.rgb * uAmbient;
    if (uLightOn)
    {
        vec3 toLight = uLightPosition - position;
        float distance = length(toLight);
        if (distance > 0.0 && distance <= uLightRange)
        {
            vec3 l = toLight / distance;
            float nDotL = max(dot(normal, l), 0.0);
            colour += uMaterial.rgb * nDotL;
            if (uSpecular && nDotL > 0.0)
            {
                vec3 h = normalize(normalize(uEye - position) + l);
                vSpecular = vec3(pow(max(dot(normal, h), 0.0), uPower));
            }
        }
    }
    vDiffuse = vec4(clamp(colour, 0.0, 1.0), uMaterial.a);
}
)";

inline constexpr const char* kFixedFunctionFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;

uniform bool uTextured;
uniform sampler2D uTexture;

out vec4 fragColour;

void main()
{
    vec3 colour = vDiffuse.rgb;
    if (uTextured)
        colour *= texture(uTexture, vTexCoord).rgb;
    // Specular comes after the texture stage, so highlights stay white on photos.
    fragColour = vec4(min(colour + vSpecular, vec3(1.0)), vDiffuse.a);
}
)";
