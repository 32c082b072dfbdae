#include "gl/FGlMesh.h"

#include <epoxy/gl.h>

#include <cstddef>
#include <utility>

void BindBookVertexLayout()
{
    constexpr GLsizei stride = sizeof(FBookVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(FBookVertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(FBookVertex, nx)));
    // GL_BGRA as the size reads the 32-bit colour's bytes B, G, R, A straight into
    // r, g, b, a, so colours need no swizzling on the way up.
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(FBookVertex, diffuse)));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(FBookVertex, u)));
}

FGlMesh::FGlMesh(const FGridMesh* source) : source_(source) {}

FGlMesh::~FGlMesh()
{
    Destroy();
}

FGlMesh::FGlMesh(FGlMesh&& other) noexcept
{
    *this = std::move(other);
}

FGlMesh& FGlMesh::operator=(FGlMesh&& other) noexcept
{
    if (this != &other) {
        Destroy();
        source_ = other.source_;
        vertexArray_ = std::move(other.vertexArray_);
        vertexBuffer_ = std::move(other.vertexBuffer_);
        indexBuffer_ = std::move(other.indexBuffer_);
        uploaded_ = std::exchange(other.uploaded_, false);
        uploadedRevision_ = other.uploadedRevision_;
        uploadedVertexCount_ = other.uploadedVertexCount_;
        uploadedColumns_ = other.uploadedColumns_;
        uploadedRows_ = other.uploadedRows_;
        indexCount_ = std::exchange(other.indexCount_, 0);
        uploadCount_ = other.uploadCount_;
    }
    return *this;
}

void FGlMesh::Attach(const FGridMesh* source)
{
    source_ = source;
    uploaded_ = false;
}

bool FGlMesh::Sync()
{
    if (!source_ || source_->vertices.empty() || source_->indices.size() < 3)
        return false;
    if (!vertexArray_) {
        vertexArray_ = FGlVertexArrayObject::Create();
        vertexBuffer_ = FGlBufferObject::Create();
        indexBuffer_ = FGlBufferObject::Create();
        glBindVertexArray(vertexArray_.Get());
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_.Get());
        BindBookVertexLayout();
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_.Get());
        glBindVertexArray(0);
        uploaded_ = false;
    }
    const auto vertexBytes = static_cast<GLsizeiptr>(source_->vertices.size() * sizeof(FBookVertex));
    // A photo grid of 20 x 6 and one of 12 x 10 hold the same number of vertices
    // but not the same triangles: the shape decides whether indices go up again.
    const bool sameShape = source_->vertices.size() == uploadedVertexCount_ &&
                           source_->indices.size() == static_cast<size_t>(indexCount_) &&
                           source_->columns == uploadedColumns_ && source_->rows == uploadedRows_;
    if (!uploaded_ || !sameShape) {
        glBindVertexArray(vertexArray_.Get());
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_.Get());
        glBufferData(GL_ARRAY_BUFFER, vertexBytes, source_->vertices.data(), GL_DYNAMIC_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(source_->indices.size() * sizeof(uint16_t)),
                     source_->indices.data(), GL_STATIC_DRAW);
        glBindVertexArray(0);
        indexCount_ = static_cast<int32_t>(source_->indices.size());
    } else if (source_->revision != uploadedRevision_) {
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_.Get());
        // Orphaning first spares the driver a stall on a buffer still in flight.
        glBufferData(GL_ARRAY_BUFFER, vertexBytes, nullptr, GL_DYNAMIC_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, vertexBytes, source_->vertices.data());
    } else {
        return true;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    uploaded_ = true;
    uploadedRevision_ = source_->revision;
    uploadedVertexCount_ = source_->vertices.size();
    uploadedColumns_ = source_->columns;
    uploadedRows_ = source_->rows;
    ++uploadCount_;
    return true;
}

void FGlMesh::Bind() const
{
    glBindVertexArray(vertexArray_.Get());
}

void FGlMesh::Destroy()
{
    vertexArray_.Reset();
    vertexBuffer_.Reset();
    indexBuffer_.Reset();
    uploaded_ = false;
    indexCount_ = 0;
}
