#pragma once

// One 4x4 transformation matrix for a frame, with a four-line text file.
//
// Payload, version 0 (the only one): 16 f32 row by row (M[0][0], M[0][1], ..., M[3][3]),
// 64 bytes. A shorter payload reads its missing elements as 0; any other version is refused.
//
// Text file: four lines "M[r][0] M[r][1] M[r][2] M[r][3]", numbers in default stream
// format separated by one blank, each line ended by "\n". Reading splits lines at blanks
// (repeated blanks and a CR before the LF do not count); a missing line or number reads
// as 0, text where a number belongs as 0 (as atof), and numbers or lines beyond the four
// are ignored.
//
// Contract:
// - A new layer has an empty payload; Allocate gives it its 64 bytes.
// - SetTransformMatrix writes the matrix into the payload in place, first giving a payload
//   under 64 bytes its 64 (as Allocate(false)); it does not change the payload version.
// - A text that holds no number at all among its first four lines does not parse: the load
//   returns false and changes nothing. So does a file that cannot be read.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>
#include <VornCommon/Matrix4x4f.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class HYX_API DataTypeTransform : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// Identity matrix, empty payload.
    DataTypeTransform();
    ~DataTypeTransform() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// Payload of 64 bytes at version 0: the identity when identity is set, else the
    /// bytes it held (zeros where it held none); then the matrix is read from it.
    void Allocate(bool identity);
    /// Matrix and payload := m.
    void SetTransformMatrix(const VornCommon::Matrix4x4f& m);
    /// The matrix.
    VornCommon::Matrix4x4f GetTransformMatrix() const { return _matrix; }
    /// Allocate(false), then the other layer's matrix; an empty pointer changes nothing.
    void CopyValuesFrom(std::shared_ptr<DataTypeTransform> other);

    /// Loads the text file at path; false, and nothing changed, when it cannot be read or
    /// does not parse.
    bool LoadFromASCIIFile(const char* path);
    /// Loads size bytes of file text; false, and nothing changed, when they do not parse.
    bool LoadFromASCIIMemory(const uint8_t* text, uint32_t size);
    /// Writes the text file; false when it could not be written.
    bool SaveToASCIIFile(const char* path) const;

    /// The layer text, then ", Transform=" and the matrix text.
    std::string ToString(bool friendly) const override;

protected:
    /// "Transform".
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    VornCommon::Matrix4x4f _matrix;
};

/// A new DataTypeTransform that the caller owns.
HYX_API DataLayer* DataTypeTransformDataLayerCreator();

} // namespace Hyx
