#include "render/BookGeometry.h"

#include <array>
#include <cmath>
#include <numbers>

float EaseTurnPosition(float t)
{
    if (!(t > 0.0f))
        return 0.0f;
    if (t >= TurnEnd)
        return TurnEnd;
    constexpr double kPi = std::numbers::pi;
    const float angle = static_cast<float>(kPi * t / TurnEnd);
    const float half = static_cast<float>((std::sin(angle - kPi / 2) + 1.0) * 0.5);
    return static_cast<float>(TurnEnd * static_cast<double>(half));
}

std::optional<FGridMesh> CreateCoverBoard(bool rightBoard)
{
    constexpr int32_t kColumns = 20, kRows = 10;
    std::optional<FGridMesh> board = CreateGridMesh(0, 10, 0, kColumns, kRows);
    if (!board)
        return std::nullopt;

    std::array<FBookVertex, kColumns * kRows> vertices{};
    const uint32_t white = PackColor(1, 1, 1);
    for (int32_t i = 0; i < kRows; ++i)
        for (int32_t j = 0; j < kColumns; ++j) {
            FBookVertex& v = vertices[static_cast<size_t>(i * kColumns + j)];
            if (rightBoard) {
                v.x = static_cast<float>(j) * 105.0f / 19.0f;
                v.y = 0.05f * v.x - 1.0f;
            } else {
                v.x = static_cast<float>(19 - j) * 105.0f / -19.0f;
                v.y = -1.0f - 0.05f * v.x;
            }
            v.z = static_cast<float>(i) * 114.84375f / 9.0f - 2.734375f;
            v.diffuse = white;
            v.u = static_cast<float>(j) / 19.0f;
            v.v = 1.0f - static_cast<float>(i) / 9.0f;
        }
    ComputeGridNormals(vertices, kColumns, kRows, true);
    UploadVertices(*board, vertices);
    return board;
}

std::optional<FGridMesh> CreateBackgroundPlane()
{
    return CreateGridMesh(0, -20, 54.6875f, 30, 30);
}
