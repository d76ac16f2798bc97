#include <Hyx/Atom.h>

#include "core/AtomRecord.h"

#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/Profile.h>

#include <VornCommon/StringHelper.h>

#include <algorithm>

namespace Hyx {

namespace {

using Blocks = std::vector<std::shared_ptr<DataBlockBlob>>;

/// The layer of the first (or last) block whose layer matches; empty when none.
template <class Match>
std::shared_ptr<DataLayer> findLayer(const Blocks& blocks, bool last, Match match)
{
    auto matches = [&](const std::shared_ptr<DataBlockBlob>& block) { return match(*block->GetDataLayer()); };
    if (last) {
        auto it = std::find_if(blocks.rbegin(), blocks.rend(), matches);
        return it == blocks.rend() ? nullptr : (*it)->GetDataLayer();
    }
    auto it = std::find_if(blocks.begin(), blocks.end(), matches);
    return it == blocks.end() ? nullptr : (*it)->GetDataLayer();
}

// Removes `first` and every later block that matches, keeping the order of the others; the
// match runs once for each block after `first`.
template <class Match>
void removeFrom(Blocks& blocks, Blocks::iterator first, Match matches)
{
    auto kept = first;
    for (auto it = std::next(first); it != blocks.end(); ++it)
        if (!matches(*it))
            *kept++ = std::move(*it);
    blocks.erase(kept, blocks.end());
}

int indexOfLayer(const Blocks& blocks, const DataLayer* layer)
{
    for (size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i]->GetDataLayer().get() == layer)
            return static_cast<int>(i);
    return -1;
}

} // namespace

Atom::Atom(uint32_t streamId, uint32_t frameNr, uint64_t timestamp)
    : _timestamp(timestamp), _id(AtomId::Create(static_cast<uint32_t>(AtomType::Frame), streamId, frameNr))
{
}

Atom::Atom(uint32_t id, uint64_t timestamp) : _timestamp(timestamp), _id(id)
{
}

Atom::Atom(const Atom& other) : _blocks(other._blocks), _timestamp(other._timestamp), _id(other._id)
{
}

Atom& Atom::operator=(const Atom& other)
{
    if (this != &other) {
        beforeChange();
        _blocks = other._blocks;
        _timestamp = other._timestamp;
        _id = other._id;
    }
    return *this;
}

Atom::~Atom()
{
    if (_recordObject.load(std::memory_order_relaxed) != nullptr)
        releaseRecord(true);
}

std::string Atom::GetStreamPrefix() const
{
    return GetStreamPrefix(GetStreamId());
}

std::string Atom::GetStreamPrefix(uint16_t streamId)
{
    return "stream" + VornCommon::StringHelper::to_string(streamId, 3) + "_";
}

void Atom::AddDataLayer(std::shared_ptr<DataLayer> layer, bool front)
{
    if (!layer)
        return; // every block holds a layer
    std::shared_ptr<DataBlockBlob> block;
    if (auto compressed = std::dynamic_pointer_cast<DataTypeCompressedBlob>(layer))
        block = std::make_shared<DataBlockCompressedBlob>(std::move(compressed));
    else
        block = std::make_shared<DataBlockBlob>(DataType::Blob, std::move(layer));
    beforeChange();
    if (front)
        _blocks.insert(_blocks.begin(), std::move(block));
    else
        _blocks.push_back(std::move(block));
}

void Atom::AddDataBlock(std::shared_ptr<DataBlockBlob> block)
{
    if (!block)
        return;
    beforeChange();
    _blocks.push_back(std::move(block));
}

std::vector<std::shared_ptr<DataBlockBlob>> Atom::GetAllDataBlocks() const
{
    return _blocks;
}

std::vector<std::shared_ptr<DataLayer>> Atom::GetAllDataLayers() const
{
    std::vector<std::shared_ptr<DataLayer>> layers;
    layers.reserve(_blocks.size());
    for (const auto& block : _blocks)
        layers.push_back(block->GetDataLayer());
    return layers;
}

std::vector<std::shared_ptr<DataLayer>> Atom::GetDataLayersByType(const VornCommon::Guid& type) const
{
    std::vector<std::shared_ptr<DataLayer>> layers;
    for (const auto& block : _blocks)
        if (block->GetDataLayer()->TypeGuid() == type)
            layers.push_back(block->GetDataLayer());
    return layers;
}

std::shared_ptr<DataLayer> Atom::GetDataLayerByType(const VornCommon::Guid& type, bool last) const
{
    return findLayer(_blocks, last, [&](const DataLayer& layer) { return layer.TypeGuid() == type; });
}

std::shared_ptr<DataLayer> Atom::GetDataLayer(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                                              bool last) const
{
    return findLayer(_blocks, last, [&](const DataLayer& layer) {
        return layer.GetPurposeGuid() == purpose && layer.TypeGuid() == type;
    });
}

std::shared_ptr<DataLayer> Atom::GetDataLayer(const std::shared_ptr<DataProfile>& wanted, bool) const
{
    if (!wanted)
        return nullptr;
    const bool anyPurpose = wanted->GetPurposeGuid().IsNil();
    return findLayer(_blocks, true, [&](const DataLayer& layer) {
        const auto profile = layer.GetDataProfile();
        return anyPurpose ? profile->Fulfills(*wanted) : *profile == *wanted;
    });
}

std::shared_ptr<DataLayer> Atom::GetDataLayerByTypeForProfile(const VornCommon::Guid& type,
                                                              const std::shared_ptr<Profile>& profile) const
{
    if (!profile)
        return nullptr;
    const auto dataProfile = profile->GetDataProfileByType(type, true);
    return dataProfile ? GetDataLayer(dataProfile, true) : nullptr;
}

std::shared_ptr<DataBlockBlob> Atom::GetDataBlock(const std::shared_ptr<DataProfile>& dataProfile) const
{
    if (!dataProfile)
        return nullptr;
    for (const auto& block : _blocks)
        if (*block->GetDataLayer()->GetDataProfile() == *dataProfile)
            return block;
    return nullptr;
}

std::vector<std::shared_ptr<DataBlockBlob>> Atom::GetDataBlocks(const std::shared_ptr<Profile>& profile) const
{
    std::vector<std::shared_ptr<DataBlockBlob>> blocks;
    if (!profile)
        return blocks;
    for (int i = 0; i < profile->GetDataProfileCount(); ++i)
        if (auto block = GetDataBlock(profile->GetDataProfileByIndex(i)))
            blocks.push_back(std::move(block));
    return blocks;
}

std::vector<std::shared_ptr<DataLayer>> Atom::GetDataLayers(const std::shared_ptr<Profile>& profile) const
{
    std::vector<std::shared_ptr<DataLayer>> layers;
    if (!profile)
        return layers;
    for (int i = 0; i < profile->GetDataProfileCount(); ++i)
        if (auto layer = GetDataLayer(profile->GetDataProfileByIndex(i), true))
            layers.push_back(std::move(layer));
    return layers;
}

int Atom::GetIndexOfDataLayer(const std::shared_ptr<DataLayer>& layer) const
{
    return layer ? indexOfLayer(_blocks, layer.get()) : -1;
}

template <class Match>
void Atom::removeBlocks(Match matches)
{
    // Looked for first: a removal that finds nothing changes nothing, so a record standing for
    // the atom is not filled.
    const auto first = std::find_if(_blocks.begin(), _blocks.end(), matches);
    if (first == _blocks.end())
        return;
    beforeChange();
    removeFrom(_blocks, first, matches);
}

int Atom::RemoveDataLayer(const std::shared_ptr<DataLayer>& layer)
{
    const int index = GetIndexOfDataLayer(layer);
    if (index >= 0) {
        beforeChange();
        _blocks.erase(_blocks.begin() + index);
    }
    return index;
}

void Atom::RemoveDataLayers(const VornCommon::Guid& type)
{
    removeBlocks(
        [&](const std::shared_ptr<DataBlockBlob>& block) { return block->GetDataLayer()->TypeGuid() == type; });
}

void Atom::RemoveDataLayers(const VornCommon::Guid& purpose, const VornCommon::Guid& type)
{
    removeBlocks([&](const std::shared_ptr<DataBlockBlob>& block) {
        const DataLayer& layer = *block->GetDataLayer();
        return layer.GetPurposeGuid() == purpose && layer.TypeGuid() == type;
    });
}

void Atom::RemoveDataLayers(const VornCommon::Guid& type,
                            const std::function<bool(std::shared_ptr<const DataLayer>)>& predicate)
{
    removeBlocks([&](const std::shared_ptr<DataBlockBlob>& block) {
        auto layer = block->GetDataLayer();
        return layer->TypeGuid() == type && predicate(std::move(layer));
    });
}

void Atom::RemoveAllDataLayers()
{
    if (_blocks.empty())
        return;
    beforeChange();
    _blocks.clear();
}

HyxErrorCode Atom::Remove(DataType kind)
{
    removeBlocks([&](const std::shared_ptr<DataBlockBlob>& block) { return block->GetDataType() == kind; });
    return HyxErrorCode::Success;
}

Profile* Atom::GenerateProfile() const
{
    auto* profile = new Profile();
    for (const auto& block : _blocks)
        profile->Add(block->GetDataLayer()); // a duplicate is refused and skipped
    return profile;
}

bool Atom::Equals(const Atom* other) const
{
    if (!other || other->_blocks.size() != _blocks.size())
        return false;
    for (size_t i = 0; i < _blocks.size(); ++i)
        if (!_blocks[i]->Equals(other->_blocks[i].get()))
            return false;
    return true;
}

uint32_t Atom::copyId(const Atom& source, int frameNr)
{
    const uint32_t frame = frameNr == -1 ? source.GetFrameNr() : static_cast<uint32_t>(frameNr);
    return AtomId::Create(static_cast<uint32_t>(AtomType::Frame), source.GetStreamId(), frame);
}

Atom* Atom::Copy(const Atom* source, int frameNr, bool withBlocks)
{
    if (!source)
        return nullptr;
    auto* copy = new Atom(copyId(*source, frameNr), source->_timestamp);
    if (withBlocks)
        copy->_blocks = source->_blocks;
    return copy;
}

std::shared_ptr<Atom> Atom::Copy(const std::shared_ptr<Atom>& source, int frameNr, bool withBlocks)
{
    return std::shared_ptr<Atom>(Copy(source.get(), frameNr, withBlocks));
}

std::shared_ptr<Atom> Atom::Copy(const std::shared_ptr<Atom>& source, const std::shared_ptr<Profile>& profile,
                                 int frameNr)
{
    if (!source || !profile)
        return nullptr;
    auto copy = std::make_shared<Atom>(0u, 0u);
    CopyInto(*copy, *source, *profile, frameNr);
    return copy;
}

void Atom::CopyInto(Atom& copy, const Atom& source, const Profile& profile, int frameNr)
{
    if (&copy == &source) {
        copyIntoItself(copy, profile, frameNr);
        return;
    }
    copy.beforeChange();
    copy._id = copyId(source, frameNr);
    copy._timestamp = source._timestamp;
    copy._blocks.clear();
    for (const auto& block : source._blocks)
        if (profile.Describes(block->GetDataLayer()->GetDataProfile()))
            copy._blocks.push_back(block);
}

void Atom::copyIntoItself(Atom& atom, const Profile& profile, int frameNr)
{
    // The blocks the copy would leave out are removed in place; the source is the atom being
    // changed, so nothing is cleared before it is read.
    const uint32_t id = copyId(atom, frameNr);
    const auto leftOut = [&profile](const std::shared_ptr<DataBlockBlob>& block) {
        return !profile.Describes(block->GetDataLayer()->GetDataProfile());
    };
    const auto first = std::find_if(atom._blocks.begin(), atom._blocks.end(), leftOut);
    // Left as it is, its record stays shared.
    if (id == atom._id && first == atom._blocks.end())
        return;
    const auto index = first - atom._blocks.begin();
    atom.beforeChange();
    atom._id = id;
    if (first != atom._blocks.end())
        removeFrom(atom._blocks, atom._blocks.begin() + index, leftOut);
}

} // namespace Hyx
