#pragma once
// The vertex of every mesh of the book: position, normal, 32-bit diffuse colour
// and one texture coordinate pair (vertex format code 0x152). The GL backend reads
// diffuse as normalised GL_BGRA bytes, so the layout must stay exactly this.

#include <cstddef>
#include <cstdint>

struct FBookVertex
{
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    uint32_t diffuse = 0; // A in bits 24-31, R 16-23, G 8-15, B 0-7
    float u = 0, v = 0;
};

inline constexpr uint32_t kBookVertexFormat = 0x152;

static_assert(sizeof(FBookVertex) == 36, "meshes are uploaded with a 36-byte stride");
static_assert(offsetof(FBookVertex, nx) == 12);
static_assert(offsetof(FBookVertex, diffuse) == 24);
static_assert(offsetof(FBookVertex, u) == 28);

// 0..1 channels to 0x00RRGGBB: alpha stays 0 (white is 0x00FFFFFF).
uint32_t PackColor(float r, float g, float b);
// As PackColor with alpha = 255 * (1 - transparency), capped at 254: an opaque
// colour carries 0xFE, transparency 0.25 gives 191.
uint32_t PackColorAlpha(float r, float g, float b, float transparency);
