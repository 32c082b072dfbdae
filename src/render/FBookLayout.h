#pragma once
// The book's geometry for one frame description: the five page objects bent and
// fitted with their photos, the cover boards and the background plane. The GL
// renderer keeps one to draw from; picking lays out its own from the same
// description, so a click meets exactly what was drawn.

#include "render/FFrame.h"
#include "render/FGridMesh.h"
#include "render/FPage.h"

#include <array>
#include <optional>

class FBookLayout
{
public:
    FBookLayout();

    // Bends the draw's page object to its position and fits its photos.
    FPageDraw Lay(const FFramePage& draw, const FColour& paperColour);
    // Lays every page of the frame in order; per page object, how its last draw
    // came out. The renderer lays page by page instead, drawing in between.
    std::array<FPageDraw, kFramePageCount> LayAll(const FFrame& frame);

    FPage& Page(int32_t page) { return pages_[static_cast<size_t>(page)]; }
    const FPage& Page(int32_t page) const { return pages_[static_cast<size_t>(page)]; }
    // Right (1) or left (0) board.
    const std::optional<FGridMesh>& Cover(int32_t board) const { return covers_[static_cast<size_t>(board)]; }
    const std::optional<FGridMesh>& Background() const { return background_; }

    // The page meshes go (device loss); the next Lay rebuilds each grid.
    void ReleasePageMeshes();

private:
    std::array<FPage, kFramePageCount> pages_;
    std::array<std::optional<FGridMesh>, 2> covers_;
    std::optional<FGridMesh> background_;
};

// The page's photo in a form the slot fitting takes; null when nothing is drawn.
const FPhotoSource* PhotoSourceOf(const FFramePhoto& photo, FPhotoSource& out);
