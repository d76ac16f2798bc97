#pragma once

// Layer that carries an opaque byte array through a graph; the library does not interpret
// it.
//
// Payload version 0: the array's bytes, nothing else.
//
// Contract:
// - The array is the state: callers fill or read it in place through GetByteArray, and
//   Serialize hands out the array itself, not the payload buffer.
// - Loading copies every payload byte into the array (the payload keeps its copy).
// - An array of 4 GiB or more cannot be written: Serialize throws std::length_error.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/ByteArray.h>
#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// An opaque byte array.
class HYX_API DataTypeByteArray : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;

    /// An empty array.
    DataTypeByteArray();
    ~DataTypeByteArray() override;

    /// 6311EFCE-4237-4832-BEDA-FFBE5C3D0403.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeByteArray" / "ByteArray".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The array itself.
    VornCommon::ByteArray& GetByteArray() { return _array; }

    /// The array's bytes (no copy) and their count.
    const uint8_t* Serialize(uint32_t& size) override;
    /// Base text, then ", Size=" and the array's size in bytes.
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    VornCommon::ByteArray _array;
};

/// A new DataTypeByteArray that the caller owns.
HYX_API DataLayer* DataTypeByteArrayDataLayerCreator();

} // namespace Hyx
