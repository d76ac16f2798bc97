#include <Hyx/SerializeToHyx.h>

#include "core/LogLevelEnabled.h"

#include <Hyx/Atom.h>
#include <Hyx/HyxLookupTable.h>

#include <VornCommon/FileHelper.h>

namespace Hyx {

using VornCommon::FileHelper;

namespace {

constexpr uint64_t streamBit(uint32_t streamId)
{
    return uint64_t{1} << streamId;
}

} // namespace

SerializeToHyx::SerializeToHyx(const char* path, bool writeTable, HYXFormatVersion version, bool noContainer)
    : SerializeToFile(path, version, false), _writeTable(writeTable), _noContainer(noContainer)
{
    const std::string ext = FileHelper::GetExtensionInLowerCase(GetFilePath());
    _extensionNamesContainer = ext.find("hyx") != std::string::npos;
    _extensionNamesDump = ext.find("xml") != std::string::npos;
    _namesAFile = _extensionNamesDump || (!_noContainer && _extensionNamesContainer);
    _dumpWithoutFlag = !_noContainer && _extensionNamesDump && !_extensionNamesContainer;
}

SerializeToHyx::~SerializeToHyx()
{
    try {
        // A stopped take without a container still reports its failed write once, and a dump
        // alone is finished as by CloseFile.
        if (IsReady() || streamStopped() || _xml)
            CloseFile();
    } catch (...) {
        // A destructor reports, it does not throw; CloseFile has logged what failed.
    }
}

std::string SerializeToHyx::basePath() const
{
    return FileHelper::RemoveExtension(GetFilePath()) + ".";
}

std::string SerializeToHyx::containerPath() const
{
    return FileHelper::MakeEndsWith(basePath(), "hyx");
}

bool SerializeToHyx::dumpFailed() const
{
    return _xml && _xml->streamStopped();
}

HyxErrorCode SerializeToHyx::endTake(const std::string& failedFile, bool tableLost)
{
    // Neither file may run ahead of the other, and the take's close reports the failure
    // once, for both files.
    stopStream();
    setCloseFailureLine("Failed to write to file '" + failedFile +
                        (tableLost && _table ? "'; the lookup table is not appended." : "'."));
    return HyxErrorCode::FailedToWriteToFile;
}

HyxErrorCode SerializeToHyx::refuseUnnamedFile()
{
    // Every atom of such a take is refused: the take says why once.
    if (!_unnamedFileReported) {
        _unnamedFileReported = true;
        const char* why = _dumpWithoutFlag ? "the extension names no container, \"hyx\": only a take made without a "
                                             "container writes a dump alone"
                          : _noContainer   ? "without a container the extension must name a dump, \"xml\""
                                           : "the extension names neither a container, \"hyx\", nor a dump, \"xml\"";
        LogLine(VornCommon::LogLevel::Error, "Can't write file '%s' (%s)", GetFilePath().c_str(), why);
    }
    return HyxErrorCode::FailedToWriteToFile;
}

bool SerializeToHyx::openFiles()
{
    if (!_noContainer && _extensionNamesContainer) {
        const std::string container = containerPath();
        _file = openFile(container.c_str());
        if (_file == -1) {
            LogLine(VornCommon::LogLevel::Error, "%s", describeOpenFailure(container.c_str()).c_str());
        } else {
            if (_writeTable)
                _table = std::make_shared<HyxLookupTable>();
            pack_hyxheader();
            if (!Flush())
                endTake(container, true);
        }
    }
    // A take ended by its container's header gets no dump.
    if (_extensionNamesDump && !_xml && !streamStopped()) {
        const std::string dump = basePath() + "xml";
        try {
            _xml = std::make_shared<SerializeToHyxXml>(dump.c_str(), GetHyxFormatVersion());
            _xml->setCloseFailureLine({}); // the take reports for both files
        } catch (...) {
            // The container's header is written: the container alone would hold atoms the
            // dump lacks.
            if (IsReady())
                endTake(dump, true);
            throw;
        }
    }
    return IsReady();
}

HyxErrorCode SerializeToHyx::refusePastRange(const Atom& atom)
{
    // The identity word holds 22 bits of frame number and 6 of stream id. A number past them
    // comes in masked (the atom's constructor cuts it) or spills into the type bits (a word
    // the host packed itself): either would file the frame as another one, or make the take
    // unreadable, so it is refused before anything is written.
    const uint32_t id = atom.GetId();
    if (atom.GetAtomType() != AtomType::Frame) {
        LogLine(VornCommon::LogLevel::Error,
                "Hyx failed to pack atom. (identity word 0x%08X is not a frame's: frame numbers run from 0 to "
                "4194303 and stream ids from 0 to 63)",
                static_cast<unsigned>(id));
        return HyxErrorCode::FailedToPackAtom;
    }
    if (_streamsAtLastFrame & streamBit(AtomId::GetStreamId(id))) {
        LogLine(VornCommon::LogLevel::Error,
                "Hyx failed to pack atom. (frame numbers run from 0 to 4194303: stream %u already holds frame "
                "4194303)",
                static_cast<unsigned>(AtomId::GetStreamId(id)));
        return HyxErrorCode::FailedToPackAtom;
    }
    return HyxErrorCode::Success;
}

void SerializeToHyx::noteWritten(const Atom& atom)
{
    const uint64_t bit = streamBit(atom.GetStreamId());
    if (atom.GetFrameNr() == AtomId::FRAME_NR_MASK)
        _streamsAtLastFrame |= bit;
    else
        _streamsAtLastFrame &= ~bit;
}

HyxErrorCode SerializeToHyx::pack_atom(std::shared_ptr<Atom> atom)
{
    // A finished container is never reopened: its table would not match a second file. A
    // failed take is never resumed: its files would no longer hold the same atoms.
    if (_finished || streamStopped())
        return HyxErrorCode::FailedToWriteToFile;
    if (!_namesAFile)
        return refuseUnnamedFile();
    if (atom)
        if (const HyxErrorCode r = refusePastRange(*atom); r != HyxErrorCode::Success)
            return r;
    const bool open = IsReady() || openFiles();
    if (streamStopped())
        return HyxErrorCode::FailedToWriteToFile;
    if (dumpFailed())
        return endTake(_xml->GetFilePath(), true);
    if (!_noContainer) {
        if (!open)
            return _dumpWithoutFlag ? refuseUnnamedFile() : HyxErrorCode::FailedToWriteToFile;
        if (const HyxErrorCode r = SerializeToMemory::pack_atom(atom, _table); r != HyxErrorCode::Success)
            return r;
        if (!Flush())
            return endTake(containerPath(), true);
        noteWritten(*atom);
    }
    if (!_xml)
        return HyxErrorCode::Success;
    const HyxErrorCode r = _xml->pack_atom(atom);
    if (dumpFailed())
        return endTake(_xml->GetFilePath(), true);
    if (r == HyxErrorCode::Success && _noContainer && atom)
        noteWritten(*atom);
    return r;
}

void SerializeToHyx::onCloseFile()
{
    // Runs on every CloseFile, also with no container open (a dump alone, or none at all).
    if (_finished)
        return;
    _finished = true;
    // After a failed write the table would index the atom whose write failed, and the
    // file's end is the failure's: readers index the whole records by walking instead.
    if (_table && !streamStopped()) {
        Flush();
        uint32_t size = 0;
        if (const uint8_t* record = _table->Serialize(size)) {
            pack_array(record, size, false);
            if (!Flush())
                endTake(containerPath(), true);
        } else {
            LogLine(VornCommon::LogLevel::Error,
                    "Lookup table of '%s' cannot be stored; the atoms are written without it.", GetFilePath().c_str());
        }
        if (_xml && !streamStopped()) {
            _xml->pack_lookuptable(*_table);
            if (dumpFailed())
                endTake(_xml->GetFilePath(), false);
        }
    }
    // The dump gets its end tag also after the container failed; a dump that failed first
    // writes nothing more. Either way the take reports the first failure, for both files.
    if (_xml && _xml->IsReady()) {
        if (!_xml->CloseFile() && !streamStopped())
            endTake(_xml->GetFilePath(), false);
    }
    // The container's own close comes next and may still report a lost write.
    if (IsReady() && !streamStopped())
        setCloseFailureLine("Failed to write to file '" + containerPath() + "'.");
}

} // namespace Hyx
