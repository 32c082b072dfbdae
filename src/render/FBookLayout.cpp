#include "render/FBookLayout.h"

namespace {

// Left page, the turning sheet's right and left faces, right page, transparent
// sheet: (flipNormals, transparent).
constexpr bool kPageFlags[kFramePageCount][2] = {
    {false, false}, {true, false}, {false, false}, {true, false}, {true, true}};

} // namespace

FBookLayout::FBookLayout()
    : pages_{FPage(kPageFlags[0][0], kPageFlags[0][1]), FPage(kPageFlags[1][0], kPageFlags[1][1]),
             FPage(kPageFlags[2][0], kPageFlags[2][1]), FPage(kPageFlags[3][0], kPageFlags[3][1]),
             FPage(kPageFlags[4][0], kPageFlags[4][1])},
      covers_{CreateCoverBoard(false), CreateCoverBoard(true)}, background_(CreateBackgroundPlane())
{}

const FPhotoSource* PhotoSourceOf(const FFramePhoto& photo, FPhotoSource& out)
{
    if (!photo.IsDrawn())
        return nullptr;
    out = {photo.width, photo.height, photo.rotation};
    return &out;
}

FPageDraw FBookLayout::Lay(const FFramePage& draw, const FColour& paperColour)
{
    FPhotoSource a, b;
    return Page(draw.page).DrawPageWithPhotos(draw.position, draw.direction, paperColour,
                                              PhotoSourceOf(draw.photos[0], a), PhotoSourceOf(draw.photos[1], b));
}

std::array<FPageDraw, kFramePageCount> FBookLayout::LayAll(const FFrame& frame)
{
    std::array<FPageDraw, kFramePageCount> drawn{};
    for (const FFramePage& draw : frame.Pages())
        drawn[static_cast<size_t>(draw.page)] = Lay(draw, frame.paper);
    return drawn;
}

void FBookLayout::ReleasePageMeshes()
{
    for (FPage& page : pages_)
        page.ReleaseMeshes();
}
