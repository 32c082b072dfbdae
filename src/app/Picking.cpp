// What lies under the mouse: the current frame's pages laid out afresh and tried
// in a fixed order, turning sheet first, so a click meets what is drawn now.

#include "app/FPhotoBookApp.h"
#include "render/FBookLayout.h"
#include "render/MeshPicking.h"

namespace {

const FGridMesh* PaperMesh(const FPage& page)
{
    return page.pageMesh ? &*page.pageMesh : nullptr;
}

// Slot 0 of a page holds its first (even, upper) photo, slot 1 the second. Only a
// photo laid out in this frame counts.
const FGridMesh* PhotoMesh(const FPage& page, const FPageDraw& draw, int slot)
{
    const auto& mesh = page.photoSlot[static_cast<size_t>(slot)].photoMesh;
    return draw.photoDrawn[static_cast<size_t>(slot)] && mesh ? &*mesh : nullptr;
}

} // namespace

FPickHit FPhotoBookApp::Pick(float x, float y) const
{
    if (!settings)
        return {};
    const int clientWidth = host ? host->ClientWidth() : 0;
    const int clientHeight = host ? host->ClientHeight() : 0;
    const FFrame frame = DescribeFrame(clientWidth, clientHeight);
    FBookLayout layout;
    const std::array<FPageDraw, kFramePageCount> drawn = layout.LayAll(frame);

    auto hits = [&](const FGridMesh* mesh) {
        return PickMesh(mesh, x, y, static_cast<float>(clientWidth), static_cast<float>(clientHeight), frame.world,
                        frame.view, frame.projection) >= 0.0f;
    };
    auto photo = [&](int32_t page, int slot) {
        return hits(PhotoMesh(layout.Page(page), drawn[static_cast<size_t>(page)], slot));
    };
    const int32_t p = pageIndex;

    // A click on a photo first finishes the turn; the face that lands on the right
    // after a backward turn carries the photos of spread P - 2.
    if (turnState < 0) {
        if (photo(kTurningPageFront, 0))
            return {true, 2 * p - 4, 6};
        if (photo(kTurningPageFront, 1))
            return {true, 2 * p - 3, 7};
    }
    if (turnState > 0) {
        if (photo(kTurningPageBack, 0))
            return {true, 2 * p + 2, 4};
        if (photo(kTurningPageBack, 1))
            return {true, 2 * p + 3, 5};
    }
    if (turnState != 0 && hits(PaperMesh(layout.Page(kTurningPageFront))))
        return {true, kPickTurningPage, 0};
    // The static pages show the spreads a turn uncovers.
    if (photo(kLeftPage, 0))
        return {true, turnState < 0 ? 2 * p - 6 : 2 * p - 2, 4};
    if (photo(kLeftPage, 1))
        return {true, turnState < 0 ? 2 * p - 5 : 2 * p - 1, 5};
    if (photo(kRightPage, 0))
        return {true, turnState > 0 ? 2 * p + 4 : 2 * p, 6};
    if (photo(kRightPage, 1))
        return {true, turnState > 0 ? 2 * p + 5 : 2 * p + 1, 7};
    if (hits(PaperMesh(layout.Page(kLeftPage))))
        return {true, kPickLeftPage, 0};
    if (hits(PaperMesh(layout.Page(kRightPage))))
        return {true, kPickRightPage, 0};
    for (int32_t board = 0; board < 2; ++board)
        if (layout.Cover(board) && hits(&*layout.Cover(board)))
            return {true, kPickCover, 0};
    if (layout.Background() && hits(&*layout.Background()))
        return {true, kPickBackground, 0};
    return {};
}
