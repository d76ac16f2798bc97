#include <Hyx/DataTypeAtom.h>

#include <Hyx/DataBlock.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "core/LogLevelEnabled.h"
#include "impl/core/BuiltInRegistration.h"

#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeAtom);

namespace {

// Reading and writing an atom layer recurse through the stream for every nested level.
thread_local int t_nesting = 0;

/// Counts one level of nesting on this thread while it lives.
class NestingLevel {
public:
    NestingLevel() { ++t_nesting; }
    ~NestingLevel() { --t_nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

    bool TooDeep() const { return t_nesting > DataTypeAtom::MAX_NESTING; }
};

std::shared_ptr<Atom> emptyAtom()
{
    return std::make_shared<Atom>(uint32_t(0), uint64_t(0));
}

} // namespace

DataTypeAtom::DataTypeAtom() : DataLayer(CLASS_VERSION), _atom(emptyAtom())
{
}

DataTypeAtom::~DataTypeAtom() = default;

int DataTypeAtom::NumDataLayers() const
{
    return _atom ? int(_atom->GetAllDataBlocks().size()) : 0;
}

void DataTypeAtom::Add(std::shared_ptr<DataLayer> layer)
{
    if (!layer)
        return;
    _atom->AddDataLayer(std::move(layer), false);
    _payload.reset();
    _keepsUnreadBytes = false;
}

void DataTypeAtom::Remove(int index)
{
    auto blocks = _atom->GetAllDataBlocks();
    if (index < 0 || size_t(index) >= blocks.size())
        return;
    blocks.erase(blocks.begin() + index);
    _atom->RemoveAllDataLayers();
    for (auto& block : blocks)
        _atom->AddDataBlock(std::move(block));
    _payload.reset();
    _keepsUnreadBytes = false;
}

std::shared_ptr<DataLayer> DataTypeAtom::GetDataLayer(int index) const
{
    const auto blocks = _atom->GetAllDataBlocks();
    if (index < 0 || size_t(index) >= blocks.size() || !blocks[size_t(index)])
        return {};
    return blocks[size_t(index)]->GetDataLayer();
}

const uint8_t* DataTypeAtom::Serialize(uint32_t& size)
{
    if (_payloadVersion != CLASS_VERSION)
        throw std::runtime_error("DataTypeAtom version not supported!");
    // Packed on every call: a nested layer may have changed since the last one.
    if (!_keepsUnreadBytes) {
        const NestingLevel level;
        if (level.TooDeep())
            throw std::length_error("DataTypeAtom: atoms nested too deeply.");
        auto buffer = std::make_shared<FlatMemoryUInt8>();
        SerializeToMemory writer(HYX_FORMAT_VERSION_2000, buffer);
        if (writer.pack_atom(_atom) != HyxErrorCode::Success)
            throw std::runtime_error("DataTypeAtom: the nested atom could not be packed.");
        _payload = std::move(buffer);
    }
    return DataLayer::Serialize(size);
}

bool DataTypeAtom::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _atom = emptyAtom();
    _keepsUnreadBytes = true; // until the bytes prove to be one readable record
    if (size == 0) {
        _keepsUnreadBytes = false;
        return true;
    }

    const NestingLevel level;
    if (level.TooDeep()) {
        LogLine(VornCommon::LogLevel::Error, "DataTypeAtom: atoms nested deeper than %d levels are not read",
                MAX_NESTING);
        return false;
    }
    DeserializeFromMemory reader;
    reader.setPackedDataWithoutResponsibilityToDelete(data, size);
    std::shared_ptr<Atom> atom;
    try {
        atom = reader.unpack_atom();
    } catch (const std::exception& e) {
        LogLine(VornCommon::LogLevel::Error, "DataTypeAtom: nested atom not readable (%s)", e.what());
        return false;
    }
    // Anything but one whole record stays unread, so that the bytes survive unchanged.
    if (!atom || reader.GetRemainingDataSize() != 0)
        return false;
    _atom = std::move(atom);
    _payload.reset();
    _keepsUnreadBytes = false;
    return true;
}

std::string DataTypeAtom::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", Num=" + std::to_string(NumDataLayers());
}

} // namespace Hyx
