#pragma once

// Writers of container files: SerializeToHyx records atoms into a ".hyx" file, optionally
// indexed by the lookup table appended at close, and optionally dumps them as XML beside it
// through SerializeToHyxXml.
//
// Contract of SerializeToHyx:
// - The files are opened by the first pack_atom, named after the path without its
//   extension: the extension (any case) containing "hyx" writes "<name>.hyx", containing
//   "xml" writes "<name>.xml"; "hyxxml" writes both. With noContainer only the XML dump
//   is written. An extension that names neither (with noContainer, one without "xml")
//   writes nothing: every pack_atom returns 35, and the first logs one level-2 line, "Can't
//   write file '<path>' (the extension names neither a container, "hyx", nor a dump,
//   "xml")", or with noContainer "Can't write file '<path>' (without a container the
//   extension must name a dump, "xml")", <path> as given.
// - A container that cannot be opened logs "Can't write file '<path>' (<cause>)" at level 2,
//   the cause being "Is a folder", "No such folder", "Permission denied" or "Cannot be
//   written", and the atom fails with 35; the next pack_atom tries again. An atom that finds
//   no open container (and noContainer unset) fails with 35 and is not written anywhere, not
//   even to the XML. An extension that names a dump but no container, with noContainer
//   unset, gives an XML file with its head and "</HYX>" alone, and the first atom logs one
//   level-2 line, "Can't write file '<path>' (the extension names no container, "hyx": only
//   a take made without a container writes a dump alone)".
// - pack_atom returns 0; 35 when the bytes could not be written; 36 when the atom cannot be
//   packed (with a table, an atom of more than 255 blocks or one that needs a 65,536th
//   GUID). An atom past the identity word's range (frame numbers 0 to 4194303, stream ids
//   0 to 63) is refused with 36 and a level-2 line naming the range, before anything is
//   written: one whose word is not a frame's ("Hyx failed to pack atom. (identity word
//   0x10000000 is not a frame's: frame numbers run from 0 to 4194303 and stream ids from 0
//   to 63)"), as a frame number past 22 bits packed into the word by hand gives, and any
//   frame of a stream whose last frame written was 4194303 ("Hyx failed to pack atom. (frame
//   numbers run from 0 to 4194303: stream 0 already holds frame 4194303)"), as the atom
//   constructor's masked frame 4194304 is. The take keeps what was written before, and
//   readers read it. A frame out of chronological order in its stream raises
//   std::logic_error("Frames in non-chronological order not (yet) supported.") before
//   anything is written. An XML file that cannot be opened raises std::logic_error("Can't
//   write file '<path>' (<cause>).", the causes as above) from the pack_atom that tried to
//   open it. When that call opened
//   the container, the container keeps the header it was given and nothing more, and the
//   take ends as after a failed write of the XML: every later pack_atom returns 35, and
//   CloseFile appends no table, returns false and logs the line below naming the XML file.
//   When no container was opened (noContainer, or its open failed too) nothing was written:
//   the next pack_atom tries again.
// - A write of either file that failed or was cut short ends the take (see SerializeToFile):
//   that atom and every later one return 35 and nothing more is written to either file. The
//   container keeps each record written whole before the failure, readers skip a cut tail;
//   an atom whose XML element failed stays in the container, since its record was written
//   whole before the XML was tried. An XML dump whose head could not be written ends the
//   take at the first atom, before its record is written.
// - CloseFile (or the destructor) appends the table with writeTable set, and the table
//   element to the XML dump, then ends the dump with "</HYX>" and closes it, with or
//   without a container. An index the table record cannot hold is not written (level 2
//   log); the atoms are all in the file and readers index them by walking. After a failed
//   write neither the table nor its element is written: CloseFile returns false and logs
//   one level-2 line naming the file whose write failed first, "Failed to write to file
//   '<file>'; the lookup table is not appended." (with writeTable and a container) or
//   "Failed to write to file '<file>'."; a failed write of the table at close does the
//   same, and one of the XML table element or of "</HYX>", or a close of either file that
//   reports an error, logs the second form, the table being in the container by then. A
//   dump that failed gets no "</HYX>"; a sound dump of a take whose container failed still
//   does. The dump itself then logs nothing more.
// - After CloseFile the writer is finished, with or without a container and also when no
//   file was ever opened: pack_atom returns 35 and both files stay as they are; a second
//   CloseFile answers as the first did and logs nothing; destruction adds nothing. A writer
//   destroyed without CloseFile finishes the files as CloseFile would.
// - Not synchronised: one thread at a time.
//
// Contract of SerializeToHyxXml:
// - The constructor opens the file and writes the head; CloseFile writes "</HYX>" and closes
//   it, destruction does the same when it is still open. After the close pack_atom returns
//   35 and keeps nothing, pack_lookuptable adds nothing, and a second CloseFile answers as
//   the first did (false after a failed write) and logs nothing.
// - Each atom is one ATOM element with one DATA element per block, appended and written in
//   one piece; block texts are escaped for XML. After a failed or short write every atom
//   returns 35 and nothing more is written (nor "</HYX>"), and closing logs "Failed to write
//   to file '<path>'." at level 2 and returns false; a close that reports an error does the
//   same.

#include <Hyx/Export.h>
#include <Hyx/HYXFormatVersion.h>
#include <Hyx/HyxErrorCode.h>
#include <Hyx/SerializeToFile.h>

#include <memory>
#include <string>

namespace Hyx {

class Atom;
class HyxLookupTable;

/// Readable XML dump of atoms.
class HYX_API SerializeToHyxXml : public SerializeToFile {
public:
    /// Opens the file at once and writes its head; throws std::logic_error("Can't write file
    /// '<path>' (<cause>).") when it cannot.
    SerializeToHyxXml(const char* path, HYXFormatVersion version);
    /// Writes "</HYX>" and closes the file when CloseFile has not.
    ~SerializeToHyxXml() override;

    /// Appends the atom's element; 35 when it could not be written.
    HyxErrorCode pack_atom(std::shared_ptr<Atom> atom) override;
    /// Appends the element that sums up the table: ranges of its stream ids, frame numbers
    /// and timestamps ("a-b", or "a" when both ends are equal; empty for an empty table).
    void pack_lookuptable(const HyxLookupTable& table);

protected:
    /// Appends "</HYX>" (nothing after a failed write).
    void onCloseFile() override;

private:
    // The take owning a dump ends with the dump's failure and reports it in its place.
    friend class SerializeToHyx;
};

/// Container file writer.
class HYX_API SerializeToHyx : public SerializeToFile {
public:
    /// Stores the settings; opens nothing. The version is written into the header as given,
    /// over the same records, and the writer answers as for any take; this library's readers
    /// read only HYX_FORMAT_VERSION_2000 and refuse a take of another with 47 (a level-2 line
    /// "Container file '<path>' has the unsupported format version <n>").
    SerializeToHyx(const char* path, bool writeTable, HYXFormatVersion version = HYX_FORMAT_VERSION_2000,
                   bool noContainer = false);
    /// Finishes the files as CloseFile does when the container is still open.
    ~SerializeToHyx() override;

    /// Writes one atom; see the contract.
    HyxErrorCode pack_atom(std::shared_ptr<Atom> atom) override;

protected:
    /// Appends the table (and the XML table element) and finishes the dump; once.
    void onCloseFile() override;

private:
    HyxErrorCode refuseUnnamedFile();
    /// 36, with a level-2 line, for an atom whose frame number or stream id lies past the
    /// identity word's range.
    HyxErrorCode refusePastRange(const Atom& atom);
    /// Notes whether the atom written was its stream's frame 4194303.
    void noteWritten(const Atom& atom);
    bool openFiles();
    std::string basePath() const;
    std::string containerPath() const;
    bool dumpFailed() const;
    HyxErrorCode endTake(const std::string& failedFile, bool tableLost);

    bool _writeTable;
    bool _noContainer;
    bool _extensionNamesContainer; // "hyx" in the extension, any case
    bool _extensionNamesDump; // "xml" in the extension, any case
    bool _namesAFile; // the extension names a file this take may write
    bool _finished = false;
    bool _unnamedFileReported = false;
    bool _dumpWithoutFlag; // "xml" without "hyx", noContainer unset: the dump gets no atom
    std::shared_ptr<SerializeToHyxXml> _xml;
    std::shared_ptr<HyxLookupTable> _table;
    uint64_t _streamsAtLastFrame = 0; // bit n: the last frame written to stream n was 4194303
};

} // namespace Hyx
