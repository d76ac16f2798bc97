#include <VornCommon/FileWriter.h>

#include <VornCommon/FileHelper.h>

#include <utility>

namespace VornCommon {

FileWriter::FileWriter(const std::string& path) : m_handle(FileHelper::OpenFileForWriting(path))
{
}

FileWriter::~FileWriter()
{
    CloseFile();
}

bool FileWriter::Write(std::string_view text)
{
    if (m_handle < 0)
        return false;
    return FileHelper::Write(m_handle, reinterpret_cast<const uint8_t*>(text.data()), text.size()) >= 0;
}

bool FileWriter::CloseFile()
{
    return FileHelper::CloseFile(m_handle);
}

ASCIIFileWriter::ASCIIFileWriter(const std::string& path, std::string lineEnd)
    : FileWriter(path), m_lineEnd(std::move(lineEnd))
{
}

bool ASCIIFileWriter::WriteLine(std::string_view text)
{
    std::string line;
    line.reserve(text.size() + m_lineEnd.size());
    line.append(text);
    line += m_lineEnd;
    return Write(line);
}

} // namespace VornCommon
