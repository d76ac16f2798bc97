#include <VornCommon/FileSequenceReader.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>

#include <algorithm>
#include <filesystem>

namespace VornCommon {

FileSequenceReader::FileSequenceReader(const std::string& folder, const std::vector<std::string>& endings, bool flag)
    : m_folder(folder), m_flag(flag)
{
    std::vector<std::string> dottedEndings;
    for (const std::string& ending : endings)
        if (!ending.empty())
            dottedEndings.push_back("." + ending);

    // A folder that cannot be listed (or stops being listable) gives the files found so far.
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (!it->is_regular_file(statusError))
            continue;
        std::string name = it->path().filename().string();
        for (const std::string& ending : dottedEndings) {
            if (StringHelper::endsWith(name, ending)) {
                m_files.push_back(std::move(name));
                break;
            }
        }
    }
    std::sort(m_files.begin(), m_files.end());
}

FileSequenceReader::~FileSequenceReader() = default;

std::string FileSequenceReader::GetFilePath(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_files.size())
        return std::string();
    return FileHelper::CombinePath(m_folder, m_files[static_cast<size_t>(index)]);
}

} // namespace VornCommon
