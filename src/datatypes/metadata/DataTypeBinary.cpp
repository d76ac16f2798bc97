#include <Hyx/DataTypeBinary.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "core/LogLevelEnabled.h"
#include "impl/core/BuiltInRegistration.h"

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>

#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeBinary);

namespace {

using VornCommon::FileHelper;

std::string lowered(const char* name)
{
    return name ? VornCommon::StringHelper::toLower(name) : std::string();
}

/// True for a name that stays inside the folder it is joined to: not empty, not "." or
/// "..", and without path separators (which also rules out absolute paths).
bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

} // namespace

BinaryData::BinaryData() = default;
BinaryData::~BinaryData() = default;

DataTypeBinary::DataTypeBinary() : DataLayer(CLASS_VERSION)
{
}

DataTypeBinary::~DataTypeBinary() = default;

std::string DataTypeBinary::GetName(int index) const
{
    const auto blob = GetBinaryData(index);
    return blob ? blob->_name : std::string();
}

uint8_t* DataTypeBinary::GetData(int index) const
{
    const auto blob = GetBinaryData(index);
    return blob ? blob->_data : nullptr;
}

uint32_t DataTypeBinary::SizeInBytes(int index) const
{
    const auto blob = GetBinaryData(index);
    return blob ? blob->_size : 0;
}

std::shared_ptr<BinaryData> DataTypeBinary::GetBinaryData(int index) const
{
    if (index < 0 || size_t(index) >= _entries.size())
        return {};
    return _entries[size_t(index)];
}

std::deque<std::string> DataTypeBinary::GetFileNames() const
{
    std::deque<std::string> names;
    for (const auto& blob : _entries)
        names.push_back(blob->_name);
    return names;
}

int DataTypeBinary::GetIndexByName(const char* name) const
{
    if (name == nullptr)
        return -1;
    const std::string wanted = lowered(name);
    for (size_t i = 0; i < _entries.size(); ++i)
        if (_entries[i]->_name == wanted)
            return int(i);
    return -1;
}

void DataTypeBinary::AddBinaryData(const char* name, const uint8_t* data, uint32_t size, bool replace)
{
    if (data == nullptr && size != 0)
        throw std::invalid_argument("DataTypeBinary: no data for a non-zero size.");
    std::vector<Entry> entries = currentEntries();
    const std::string key = lowered(name);
    if (replace) {
        const int index = GetIndexByName(key.c_str());
        if (index >= 0)
            entries.erase(entries.begin() + index);
    }
    entries.push_back({key, data, size});
    writeEntries(entries);
}

void DataTypeBinary::AddBinaryData(const std::shared_ptr<BinaryData>& blob)
{
    if (blob)
        AddBinaryData(blob->_name.c_str(), blob->_data, blob->_data ? blob->_size : 0, true);
}

bool DataTypeBinary::AddFile(const char* path, const char* name)
{
    if (path == nullptr || !FileHelper::DoesFileExist(path, false, nullptr))
        return false;
    uint64_t size = 0;
    int handle = FileHelper::OpenFileReadOnly(path, size);
    if (handle == -1)
        return false;
    // A size the u32 field cannot hold would be stored shortened.
    std::vector<uint8_t> bytes;
    bool read = size <= UINT32_MAX && _entries.size() < MAX_ENTRIES;
    if (read) {
        bytes.resize(size_t(size));
        read = FileHelper::Read(handle, bytes.data(), size) == int64_t(size);
    }
    FileHelper::CloseFile(handle);
    if (!read)
        return false;

    std::vector<Entry> entries = currentEntries();
    entries.push_back({lowered(name ? name : FileHelper::GetFileNameWithoutDirectory(path, true).c_str()), bytes.data(),
                       uint32_t(size)});
    try {
        writeEntries(entries);
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool DataTypeBinary::SaveToFile(int index, const char* folder, const char* prefix, bool verbose) const
{
    LogLine(VornCommon::LogLevel::Info, "DataTypeBinary::SaveToFile");
    const auto blob = GetBinaryData(index);
    if (!blob || blob->_data == nullptr || blob->_size == 0)
        return false;
    // Names come from streams: none may lead out of the export folder.
    const std::string fileName = (prefix ? std::string(prefix) : std::string()) + blob->_name;
    if (!isPlainFileName(blob->_name) || !isPlainFileName(fileName)) {
        LogLine(VornCommon::LogLevel::Error, "Refused to export the attachment '%s': not a plain file name",
                fileName.c_str());
        return false;
    }
    const std::string dir = folder ? folder : "";
    if (!dir.empty() && !FileHelper::IsDirectory(dir))
        FileHelper::MakeDirectory(dir);
    const std::string path = FileHelper::CombinePath(dir, fileName);
    if (!FileHelper::WriteFile(path, blob->_data, blob->_size))
        return false;
    if (verbose)
        LogLine(VornCommon::LogLevel::Info, "Exported file '%s'", path.c_str());
    return true;
}

void DataTypeBinary::ExportFiles(const char* folder, const char* prefix, bool verbose) const
{
    LogLine(VornCommon::LogLevel::Info, "DataTypeBinary::ExportFiles");
    for (size_t i = 0; i < _entries.size(); ++i)
        SaveToFile(int(i), folder, prefix, verbose);
}

void DataTypeBinary::RemoveBinaryData(int index)
{
    if (index < 0 || size_t(index) >= _entries.size())
        return;
    std::vector<Entry> entries = currentEntries();
    entries.erase(entries.begin() + index);
    writeEntries(entries);
}

void DataTypeBinary::RemoveBinaryData(const char* name)
{
    RemoveBinaryData(GetIndexByName(name));
}

void DataTypeBinary::CopyValuesFrom(const std::shared_ptr<DataTypeBinary>& other)
{
    if (other)
        writeEntries(other->currentEntries());
}

std::vector<DataTypeBinary::Entry> DataTypeBinary::currentEntries() const
{
    std::vector<Entry> entries;
    entries.reserve(_entries.size());
    for (const auto& blob : _entries)
        entries.push_back({blob->_name, blob->_data, blob->_data ? blob->_size : 0});
    return entries;
}

void DataTypeBinary::writeEntries(const std::vector<Entry>& entries)
{
    if (entries.size() > MAX_ENTRIES)
        throw std::length_error("DataTypeBinary: more than 255 entries.");
    uint64_t size = entries.empty() ? 0 : 1;
    for (const Entry& entry : entries)
        size += entry.name.size() + 1 + 4 + entry.size;
    if (size > UINT32_MAX)
        throw std::length_error("DataTypeBinary: payload would exceed 4 GiB.");

    // A new buffer: the entries' bytes may lie in the current payload, which stays alive
    // (and is released by the assignment) only after everything is copied.
    auto fresh = std::make_shared<FlatMemoryUInt8>(uint32_t(size));
    DataWriter writer(fresh);
    if (!entries.empty())
        writer.write(static_cast<unsigned char>(entries.size()));
    for (const Entry& entry : entries) {
        writer.write(entry.name.c_str());
        writer.write(static_cast<unsigned int>(entry.size));
        writer.write(entry.data, entry.size);
    }
    _payload = std::move(fresh);
    _payloadVersion = CLASS_VERSION;
    initialize();
}

bool DataTypeBinary::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _entries.clear();
    DataReader reader(data, size);
    const uint8_t count = reader.read_uint8();
    // Once a field does not fit, the later entries cannot be located: they stay empty.
    bool fits = true;
    for (uint8_t i = 0; i < count; ++i) {
        auto blob = std::make_shared<BinaryData>();
        std::string name;
        fits = fits && reader.read(name);
        blob->_name = VornCommon::StringHelper::toLower(name);
        fits = fits && reader.read(blob->_size);
        if (fits && blob->_size != 0) {
            blob->_data = reader.get_byteptr(blob->_size);
            fits = blob->_data != nullptr;
        }
        _entries.push_back(std::move(blob));
    }
    return true;
}

std::string DataTypeBinary::ToString(bool friendly) const
{
    std::string text = DataLayer::ToString(friendly);
    for (size_t i = 0; i < _entries.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        text +=
            ", Name_" + n + "=" + _entries[i]->_name + ", SizeInBytes_" + n + "=" + std::to_string(_entries[i]->_size);
    }
    return text;
}

void DataTypeBinary::onUpdateStatusProperties()
{
    for (size_t i = 0; i < _entries.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        addStatusProperty(std::make_shared<StatusPropertyString>(("Name " + n).c_str(), _entries[i]->_name.c_str()));
        addStatusProperty(std::make_shared<StatusPropertyInt>(("Size " + n).c_str(), int(_entries[i]->_size)));
    }
}

} // namespace Hyx
