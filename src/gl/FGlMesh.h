#pragma once
// An indexed mesh on the GL device: the 36-byte book vertex in one buffer, 16-bit
// indices in another. It points at the CPU mesh it mirrors (picking reads that
// copy) and uploads again whenever the CPU mesh's revision moves on.

#include "render/FGridMesh.h"
#include "gl/GlObject.h"

#include <cstdint>

class FGlMesh
{
public:
    // The source must outlive the mesh or be detached first (Attach(nullptr)).
    explicit FGlMesh(const FGridMesh* source = nullptr);
    ~FGlMesh();
    FGlMesh(FGlMesh&& other) noexcept;
    FGlMesh& operator=(FGlMesh&& other) noexcept;
    FGlMesh(const FGlMesh&) = delete;
    FGlMesh& operator=(const FGlMesh&) = delete;

    // A new source is uploaded in full by the next Sync.
    void Attach(const FGridMesh* source);
    const FGridMesh* Source() const { return source_; }

    // Creates the GL objects on first use and uploads whatever changed since the
    // last upload. False when there is no source or nothing to draw; the context
    // must be current.
    bool Sync();
    // Binds the vertex array for a draw; Sync first.
    void Bind() const;
    int32_t IndexCount() const { return indexCount_; }
    // How often vertices went to the device; tests check uploads are not repeated.
    int32_t UploadCount() const { return uploadCount_; }

    // Gives the GL objects back; harmless when already done. The CPU source stays.
    void Destroy();

private:
    const FGridMesh* source_ = nullptr;
    FGlVertexArrayObject vertexArray_;
    FGlBufferObject vertexBuffer_;
    FGlBufferObject indexBuffer_;
    bool uploaded_ = false;
    uint32_t uploadedRevision_ = 0;
    size_t uploadedVertexCount_ = 0;
    int32_t uploadedColumns_ = 0;
    int32_t uploadedRows_ = 0;
    int32_t indexCount_ = 0;
    int32_t uploadCount_ = 0;
};

// Binds the book vertex layout (position, normal, BGRA colour, texture
// coordinates) for the array buffer bound at the time. Shared with the renderer's
// own streamed quads.
void BindBookVertexLayout();
