// README "A take's files and the writer's answers", with the image writer.
// A take of another format version, refused by the reader, is checked with the reader's lines
// in Failures.cpp.

#include "Consumer.h"

namespace {

bool exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// Which files a path writes, the case of the name, and what pack_atom and CloseFile answer.
void runTakeFiles(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        const char* path;
        bool noContainer;
        const char* base;
        bool take, dump;
        Hyx::HyxErrorCode code; // of each pack_atom
    } paths[] = {
        {"takes/files-a.hyx", false, "takes/files-a", true, false, Hyx::HyxErrorCode::Success},
        {"takes/files-b.hyxxml", false, "takes/files-b", true, true, Hyx::HyxErrorCode::Success},
        {"takes/files-c.HyxXml", false, "takes/files-c", true, true, Hyx::HyxErrorCode::Success},
        {"takes/files-d.xml", true, "takes/files-d", false, true, Hyx::HyxErrorCode::Success},
        {"takes/files-e.hyxxml", true, "takes/files-e", false, true, Hyx::HyxErrorCode::Success},
        // Without the flag a dump alone is made but gets no atom.
        {"takes/files-f.xml", false, "takes/files-f", false, true, Hyx::HyxErrorCode::FailedToWriteToFile},
    };
    for (const auto& path : paths) {
        {
            Hyx::SerializeToHyx writer(path.path, true, Hyx::HYX_FORMAT_VERSION_2000, path.noContainer);
            CapturedLog log(logger);
            check(writer.pack_atom(MakeFrame(0, "a")) == path.code && writer.pack_atom(MakeFrame(1, "b")) == path.code,
                  "each atom of a take, a dump or both answers as the README says");
            check(writer.CloseFile(), "a take, a dump or both closes true");
            check(log.At(VornCommon::LogLevel::Error).size() == (path.code == Hyx::HyxErrorCode::Success ? 0u : 1u),
                  "a take that writes its atoms logs nothing, one that writes none one line");
        }
        const std::string take = std::string(path.base) + ".hyx", dump = std::string(path.base) + ".xml";
        check(exists(take) == path.take && exists(dump) == path.dump, "the extension names the files written");
        if (path.take) {
            const auto frame = ReadFrame(take.c_str(), 1);
            check(frame && frame->GetFrameNr() == 1, "the take reads back");
        }
        if (path.dump) {
            std::ifstream in(dump);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            const bool holdsAtoms = contains(text, "<ATOM");
            check(holdsAtoms == (path.code == Hyx::HyxErrorCode::Success) && contains(text, "</HYX>"),
                  "the dump holds the atoms written, and its end");
            CapturedLog log(logger);
            Hyx::ReadHYX2File reader(dump.c_str());
            check(reader.Initialize() != Hyx::HyxErrorCode::Success, "a reader does not read the dump");
        }
    }

    // A path that names no file the take may write: every atom 35, one line, CloseFile true.
    const struct {
        const char* path;
        bool noContainer;
        const char* why;
        bool quoted;
    } unnamed[] = {
        {"takes/rec.take", false, "the extension names neither a container, \"hyx\", nor a dump, \"xml\"", true},
        {"takes/rec", false, "the extension names neither a container, \"hyx\", nor a dump, \"xml\"", false},
        {"takes/rec.xml", false,
         "the extension names no container, \"hyx\": only a take made without a container writes a dump alone", true},
        {"takes/rec.hyx", true, "without a container the extension must name a dump, \"xml\"", true},
        {"takes/rec.take", true, "without a container the extension must name a dump, \"xml\"", false},
    };
    for (const auto& path : unnamed) {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer(path.path, true, Hyx::HYX_FORMAT_VERSION_2000, path.noContainer);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile && writer.CloseFile(),
              "a path naming no file the take may write refuses every atom with 35 and closes true");
        const std::string line = "Can't write file '" + std::string(path.path) + "' (" + path.why + ")";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line}, "such a take logs one line");
        if (path.quoted)
            quote(line);
    }
    {
        std::ifstream in("takes/rec.xml");
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        check(!contains(text, "<ATOM") && contains(text, "</HYX>"), "the dump of takes/rec.xml has its head and end");
    }
    std::filesystem::remove("takes/rec.xml");
    check(!exists("takes/rec.take") && !exists("takes/rec.hyx") && !exists("takes/rec"),
          "a path naming neither file writes nothing");

    // The writer lower-cases the take's extension; the reader opens the path as given.
    check(WriteTake("takes/rec.HYX", {MakeFrame(0, "a")}) && exists("takes/rec.hyx") && !exists("takes/rec.HYX"),
          "takes/rec.HYX is written as takes/rec.hyx");
    {
        CapturedLog log(logger);
        Hyx::ReadHYX2File reader("takes/rec.HYX");
        const Hyx::HyxErrorCode code = reader.Initialize();
        const auto lines = log.At(VornCommon::LogLevel::Error);
        check(code == Hyx::HyxErrorCode::ReaderNotValid && lines.size() == 1 && contains(lines.front(), "No such file"),
              "the reader answers 46 for takes/rec.HYX, its line saying \"No such file\"");
        quote(lines.empty() ? std::string() : lines.front());
    }
    check(ReadFrame("takes/rec.hyx", 0) != nullptr, "the reader reads takes/rec.hyx");
    std::filesystem::remove("takes/rec.hyx");

    // A file that cannot be made: each atom answers 35 with a line naming its cause, CloseFile true.
    std::filesystem::create_directories("takes/rec.hyx");
    std::ofstream("takes/plain") << "a file where a folder goes";
    std::vector<std::pair<std::string, std::string>> blocked = {
        {"takes/rec.hyx", "Is a folder"},
        {"takes/plain/rec.hyx", "No such folder"},
        {"takes/" + std::string(300, 'n') + ".hyx", "Cannot be written"},
    };
    if (geteuid() != 0) { // the superuser writes in any folder
        std::filesystem::create_directories("takes/read-only");
        chmod("takes/read-only", 0555);
        blocked.emplace_back("takes/read-only/rec.hyx", "Permission denied");
        // A folder the take would make there.
        blocked.emplace_back("takes/read-only/sub/rec.hyx", "Permission denied");
    }
    for (const auto& [path, cause] : blocked) {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer(path.c_str(), true);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "a file that cannot be made refuses each atom with 35");
        const std::string line = "Can't write file '" + path + "' (" + cause + ")";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line, line},
              "each refused atom logs \"Can't write file '<path>' (<cause>)\"");
        check(writer.CloseFile(), "CloseFile answers true when no file could be made");
        quote(path == "takes/rec.hyx" ? line : "(" + cause + ")");
    }
    chmod("takes/read-only", 0755);
    std::filesystem::create_directories("takes/rec.xml");
    try {
        Hyx::SerializeToHyx writer("takes/rec.xml", true);
        writer.pack_atom(MakeFrame(0, "a"));
        check(false, "a dump that cannot be made raises");
    } catch (const std::logic_error& e) {
        const std::string text = "Can't write file 'takes/rec.xml' (Is a folder).";
        check(e.what() == text, "the dump's exception names its file and cause");
        quote(text);
    }
    // With a container the take then ends: the container keeps its header alone.
    std::filesystem::remove_all("takes/rec.hyx"); // the folder standing there above
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/rec.hyxxml", true);
        bool raised = false;
        try {
            writer.pack_atom(MakeFrame(0, "a"));
        } catch (const std::logic_error&) {
            raised = true;
        }
        check(raised && writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "after the dump's exception a take with a container refuses every atom");
        log.Clear();
        check(!writer.CloseFile(), "CloseFile answers false for a take whose dump could not be made");
        const std::string line = "Failed to write to file 'takes/rec.xml'; the lookup table is not appended.";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line}, "one line names the dump");
        check(std::filesystem::file_size("takes/rec.hyx") == 15, "the container keeps its header alone");
        quote(line);
    }

    // A write that fails ends the take; CloseFile answers false with a line naming the file.
    std::filesystem::create_symlink("/dev/full", "takes/full.hyx");
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/full.hyx", true);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "a failed write refuses that atom and every later one");
        log.Clear();
        check(!writer.CloseFile(), "CloseFile answers false after a failed write");
        const auto lines = log.At(VornCommon::LogLevel::Error);
        check(lines.size() == 1 && contains(lines.front(), "takes/full.hyx") &&
                  contains(lines.front(), "the lookup table is not appended"),
              "CloseFile logs one line naming the file");
    }
}

// The image writer: a write that fails, a missing folder, an image without pixels; a bit
// count it does not take, null pointers.
void runImages(const std::shared_ptr<VornCommon::Logger>& logger)
{
    std::filesystem::create_directories("images");
    std::filesystem::remove("images/full.png");
    std::filesystem::create_symlink("/dev/full", "images/full.png"); // every write fails there
    std::filesystem::create_directories("images/folder.png");
    std::vector<uint8_t> pixels(128 * 128 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i * 2654435761u) >> 13);
    const struct {
        const char* folder;
        const char* file;
        const uint8_t* pixels;
        uint32_t width, height, bits;
        const char* line; // none: written, or refused without a line
        bool written;
    } images[] = {
        {"images", "ok.png", pixels.data(), 128, 128, 24, nullptr, true},
        {"images", "full.png", pixels.data(), 128, 128, 24, "Can't write file 'images/full.png' (Cannot be written)",
         false},
        {"images/missing", "a.png", pixels.data(), 128, 128, 24,
         "Can't write file 'images/missing/a.png' (No such folder)", false},
        {"images", "folder.png", pixels.data(), 128, 128, 24, "Can't write file 'images/folder.png' (Is a folder)",
         false},
        {"images", "w0.png", pixels.data(), 0, 128, 24, "Can't write file 'images/w0.png' (Cannot be encoded)", false},
        {"images", "h0.png", pixels.data(), 128, 0, 8, "Can't write file 'images/h0.png' (Cannot be encoded)", false},
        {"images", "twelve.png", pixels.data(), 128, 128, 12, nullptr, false},
        {"images", "null.png", nullptr, 128, 128, 24, nullptr, false},
        {nullptr, "no-folder.png", pixels.data(), 128, 128, 24, nullptr, false},
        {"images", nullptr, pixels.data(), 128, 128, 24, nullptr, false},
    };
    for (const auto& image : images) {
        CapturedLog log(logger);
        const bool written = Hyx::ImageSequenceWriter(image.folder)
                                 .WriteImage(image.pixels, image.width, image.height, image.bits, image.file);
        check(written == image.written &&
                  log.At(VornCommon::LogLevel::Error) ==
                      (image.line ? std::vector<std::string>{image.line} : std::vector<std::string>{}),
              "the image writer answers and logs as the README says");
        check(written || !image.file || std::string(image.file) == "full.png" ||
                  std::string(image.file) == "folder.png" ||
                  !exists(std::string(image.folder ? image.folder : "") + "/" + image.file),
              "a refused image makes no file");
        if (image.line)
            quote(std::string(image.line).substr(std::string(image.line).find('(')));
    }
    quote("Can't write file 'images/full.png' (Cannot be written)");
    quote("Can't write file 'images/w0.png' (Cannot be encoded)");
    if (geteuid() != 0) { // the superuser writes in any folder
        std::filesystem::create_directories("images/read-only");
        chmod("images/read-only", 0555);
        const struct {
            const char* folder;
            const char* line;
        } refused[] = {
            {"images/read-only", "Can't write file 'images/read-only/a.png' (Permission denied)"},
            {"images/read-only/sub", "Can't write file 'images/read-only/sub/a.png' (No such folder)"},
        };
        for (const auto& folder : refused) {
            CapturedLog log(logger);
            check(!Hyx::ImageSequenceWriter(folder.folder).WriteImage(pixels.data(), 128, 128, 24, "a.png") &&
                      log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{folder.line},
                  "the image writer names a folder it may not write in, and makes none");
        }
        chmod("images/read-only", 0755);
    }
}

} // namespace
