#pragma once

// Layer that holds a whole atom: a list of data blocks with their layers, carried as one
// layer inside another atom.
//
// Payload version 0: exactly one atom record of the binary atom stream (format 2000), with
// no stream header.
//
// Contract:
// - The nested atom is the state; the payload is only its record, packed anew by every
//   Serialize, so changes made to a nested layer in the meantime are always written. A
//   successful load drops the payload.
// - A new layer holds an empty atom (Serialize gives the empty record); an empty payload
//   loads as an empty atom.
// - Layers given to Add are held, not copied. Loaded layers own copies of their payloads.
// - A payload that is not exactly one readable record is refused and kept as it is (Serialize
//   gives it back until the next Add or Remove), with an empty nested atom; so is nesting
//   deeper than MAX_NESTING levels. Serialize refuses such
//   nesting with std::length_error, so a layer nested in itself cannot recurse for ever.
// - Indexes outside the block list give an empty layer and change nothing.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/Atom.h>
#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

/// An atom carried as one layer.
class HYX_API DataTypeAtom : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;
    /// The deepest nesting of atom layers that is read or written.
    static constexpr int MAX_NESTING = 16;

    /// An empty nested atom (id 0, timestamp 0).
    DataTypeAtom();
    ~DataTypeAtom() override;

    /// 2EABEC09-00BC-484A-B61F-1E4C4360FB4D.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeAtom" / "Atom".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The number of blocks of the nested atom.
    int NumDataLayers() const;
    /// Appends the layer to the nested atom (a compressed layer in a compressed-blob block)
    /// and drops the payload. An empty pointer is ignored.
    void Add(std::shared_ptr<DataLayer> layer);
    /// Erases the block at index (later blocks move up) and drops the payload.
    void Remove(int index);
    /// The layer of the block at index, or empty.
    std::shared_ptr<DataLayer> GetDataLayer(int index) const;

    /// The record newly packed from the nested atom (or the bytes of a refused load). Throws
    /// std::runtime_error "DataTypeAtom version not supported!" when the payload version is
    /// not 0, std::runtime_error when the nested atom cannot be packed.
    const uint8_t* Serialize(uint32_t& size) override;
    /// Base text, then ", Num=" and the number of blocks.
    std::string ToString(bool friendly) const override;

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    std::shared_ptr<Atom> _atom;
    /// The payload holds bytes a load refused; they are written as they are.
    bool _keepsUnreadBytes = false;
};

/// A new DataTypeAtom that the caller owns.
HYX_API DataLayer* DataTypeAtomDataLayerCreator();

} // namespace Hyx
