#include <Hyx/SerializeToHyx.h>

#include <Hyx/Atom.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/LoggerInstance.h>

#include <VornCommon/FileHelper.h>

namespace Hyx {

using VornCommon::FileHelper;

SerializeToHyx::SerializeToHyx(const char* path, bool writeTable, HYXFormatVersion version, bool noContainer)
    : SerializeToFile(path, version, false), _writeTable(writeTable), _noContainer(noContainer)
{
}

SerializeToHyx::~SerializeToHyx()
{
    try {
        if (IsReady())
            CloseFile();
    } catch (...) {
        // A destructor reports, it does not throw; CloseFile has logged what failed.
    }
}

std::string SerializeToHyx::basePath() const
{
    return FileHelper::RemoveExtension(GetFilePath()) + ".";
}

bool SerializeToHyx::openFiles()
{
    const std::string base = basePath();
    const std::string ext = FileHelper::GetExtensionInLowerCase(GetFilePath());
    if (!_noContainer && ext.find("hyx") != std::string::npos) {
        const std::string container = FileHelper::MakeEndsWith(base, "hyx");
        _file = openFile(container.c_str());
        if (_file == -1) {
            LogMessage(VornCommon::LogLevel::Error, "Can't write file '%s'", container.c_str());
        } else {
            pack_hyxheader();
            Flush(); // a failed write ends the file: every atom is then refused
            if (_writeTable)
                _table = std::make_shared<HyxLookupTable>();
        }
    }
    if (ext.find("xml") != std::string::npos && !_xml)
        _xml = std::make_shared<SerializeToHyxXml>((base + "xml").c_str(), GetHyxFormatVersion());
    return IsReady();
}

HyxErrorCode SerializeToHyx::pack_atom(std::shared_ptr<Atom> atom)
{
    // A finished container is never reopened: its table would not match a second file.
    if (_finished)
        return HyxErrorCode::FailedToWriteToFile;
    const bool open = IsReady() || openFiles();
    if (!_noContainer) {
        if (!open)
            return HyxErrorCode::FailedToWriteToFile;
        if (const HyxErrorCode r = SerializeToMemory::pack_atom(atom, _table); r != HyxErrorCode::Success)
            return r;
        if (!Flush())
            return HyxErrorCode::FailedToWriteToFile;
    }
    return _xml ? _xml->pack_atom(std::move(atom)) : HyxErrorCode::Success;
}

void SerializeToHyx::onCloseFile()
{
    _finished = true;
    if (!_table)
        return;
    if (streamStopped()) {
        // The table would index the atom whose write failed, and the file's end is the
        // failure's: readers index the whole records by walking instead.
        reportCloseFailure("Failed to write to file '" + FileHelper::MakeEndsWith(basePath(), "hyx") +
                           "'; the lookup table is not appended.");
        return;
    }
    Flush();
    uint32_t size = 0;
    if (const uint8_t* record = _table->Serialize(size)) {
        pack_array(record, size, false);
        Flush();
    } else {
        LogMessage(VornCommon::LogLevel::Error,
                   "Lookup table of '%s' cannot be stored; the atoms are written without it.", GetFilePath().c_str());
    }
    if (_xml)
        _xml->pack_lookuptable(*_table);
}

} // namespace Hyx
