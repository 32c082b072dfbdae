#include "render/FPage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kPi = std::numbers::pi;
// The end angle goes through 2π as a float on purpose: it rounds slightly off
// -angle, and turned pages must keep landing exactly where they always have.
constexpr float kTwoPiFloat = 6.2831854820251465f;
constexpr double kTurnEndExact = 1.294;
constexpr float kColumnDelay = 0.004f;
constexpr float kRowDelay = 0.005f;
} // namespace

FPage::FPage(bool flipNormals_, bool transparent_)
    : flipNormals(flipNormals_), transparent(transparent_), vertices(kPageVertexCount), outline(kOutlinePointCount)
{
    for (int32_t k = 0; k < kPageColumns; ++k) {
        FPageColumn& c = columns[static_cast<size_t>(k)];
        const float s = static_cast<float>(k) / 32.0f;
        c.x = static_cast<float>(100.0 * k / 32.0);
        c.y = static_cast<float>(std::sin(k * kPi / 16.0) * 10.0 * (1.0 - std::sqrt(double{s})) + 5.0 * s);
        c.radius = static_cast<float>(std::sqrt(double{c.x} * c.x + double{c.y} * c.y));
        c.angle = static_cast<float>(std::atan2(double{c.x}, double{c.y}));
    }
}

FPage::FColumnPoint FPage::ColumnPosition(int32_t k, float t) const
{
    const FPageColumn& c = columns[static_cast<size_t>(std::clamp(k, 0, kPageColumns - 1))];
    t = std::clamp(t, 0.0f, 1.0f);
    const float end = (kTwoPiFloat - c.angle) - kTwoPiFloat;
    const float current = c.angle + t * (end - c.angle);
    return {static_cast<float>(std::sin(double{current}) * c.radius),
            static_cast<float>(std::cos(double{current}) * c.radius)};
}

void FPage::DeformPage(int32_t direction)
{
    const float p = builtPosition;
    const uint32_t colour = PackColorAlpha(1, 1, 1, transparent ? 0.25f : 0.0f);
    // The forward factor really is 1.294 - P/1.294; the delays it scales keep the
    // outer corner at row 0 leading the lift in both directions.
    const double forwardFactor = kTurnEndExact - double{p} / kTurnEndExact;
    const double backwardFactor = double{p} / kTurnEndExact;

    for (int32_t r = 0; r < kPageRows; ++r) {
        const float rowZ = static_cast<float>(kPageLength * r / 34.0);
        for (int32_t k = 0; k < kPageColumns; ++k) {
            float delay = 0;
            if (direction == 1) {
                const float columnPart = static_cast<float>(double{kColumnDelay} * (31 - k));
                const float scaled = static_cast<float>(forwardFactor * columnPart);
                delay = static_cast<float>(scaled + double{kRowDelay} * r);
            } else if (direction == -1) {
                const float columnPart = static_cast<float>(double{kColumnDelay} * k);
                const float scaled = static_cast<float>(backwardFactor * columnPart);
                delay = static_cast<float>(scaled + double{kRowDelay} * (34 - r));
            }
            const float tt = std::clamp(p - delay, 0.0f, 1.0f);
            const FColumnPoint point = ColumnPosition(k, tt);

            // Columns slide along the spine by up to 1.25 * k at mid-turn, so the
            // sheet does not look pinned at its straight edge.
            const double slide = (std::sin(2.0 * kPi * tt - kPi / 2.0) + 1.0) * k * double{kPageLength} * 0.2 / 35.0;

            FBookVertex& v = vertices[static_cast<size_t>(r * kPageColumns + k)];
            v.x = point.x;
            v.y = point.y;
            v.z = static_cast<float>(rowZ + slide);
            v.diffuse = colour;
            v.u = static_cast<float>(k) / 31.0f;
            v.v = 1.0f - static_cast<float>(r) / 34.0f;
        }
    }
    ComputeGridNormals(vertices, kPageColumns, kPageRows, flipNormals);
    ++vertexRevision;
    if (pageMesh)
        UploadVertices(*pageMesh, vertices);
}

FPageDraw FPage::DrawPage(float t, int32_t deformDirection, const FColour& paperColour)
{
    FPageDraw draw;
    t = EaseTurnPosition(t);
    draw.position = t;

    if (!pageMesh)
        pageMesh = CreateGridMesh(0, 0, 0, kPageColumns, kPageRows);
    if (builtPosition != t || cachedDirection != deformDirection) {
        builtPosition = t;
        cachedDirection = deformDirection;
        DeformPage(deformDirection);
        draw.rebuilt = true;
    }

    if (transparent) {
        draw.alpha = 0.25f;
        draw.lit = false;
        draw.depthTest = false;
    } else {
        draw.red = paperColour.red;
        draw.green = paperColour.green;
        draw.blue = paperColour.blue;
        draw.alpha = 1.0f;
        draw.lit = true;
        // Only a visibly lifted sheet needs the depth test; a flat one is drawn over
        // the cover regardless, so the two never fight where they nearly touch.
        draw.depthTest = std::fabs(t - 0.5f * TurnEnd) < 0.4f * TurnEnd;
    }
    draw.cull = flipNormals ? FCull::Clockwise : FCull::CounterClockwise;
    return draw;
}

FPageDraw FPage::DrawPageWithPhotos(float t, int32_t deformDirection, const FColour& paperColour,
                                    const FPhotoSource* photoA, const FPhotoSource* photoB)
{
    FPageDraw draw = DrawPage(t, deformDirection, paperColour);
    const FPhotoSource* sources[2] = {photoA, photoB};
    for (size_t slot = 0; slot < 2; ++slot) {
        const FPhotoSource* photo = sources[slot];
        if (!photo)
            continue;
        // Refitting an unchanged slot would only send the same vertices up again.
        std::optional<FFitted>& fitted = fitted_[slot];
        const std::optional<FGridMesh>& mesh = photoSlot[slot].photoMesh;
        if (fitted && mesh && fitted->source == *photo && fitted->vertexRevision == vertexRevision &&
            fitted->meshRevision == mesh->revision) {
            draw.photoDrawn[slot] = true;
            continue;
        }
        draw.photoDrawn[slot] = FitPhotoSlot(photoSlot[slot], vertices, slot == 0, flipNormals, photo->width,
                                             photo->height, photo->rotation);
        fitted = draw.photoDrawn[slot] ? std::optional<FFitted>(FFitted{*photo, vertexRevision, mesh->revision})
                                       : std::nullopt;
    }
    return draw;
}

void FPage::ReleaseMeshes()
{
    pageMesh.reset();
    for (FPhotoSlot& slot : photoSlot)
        slot.photoMesh.reset();
    fitted_ = {};
    cachedDirection = kNoDirection;
}
