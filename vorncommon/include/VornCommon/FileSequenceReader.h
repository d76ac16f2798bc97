#pragma once

// Indexes the files of one folder whose names end in one of a set of extensions (compared
// case-insensitively), for readers of numbered image sequences. The folder is listed once,
// at construction; files are sorted by name in byte order ("img10" sorts before "img2", so
// sequences should be zero-padded) and indexed from 0. Not synchronised.

#include <VornCommon/Export.h>

#include <string>
#include <vector>

namespace VornCommon {

/// Base of sequence readers: the file path for an index.
class VORN_API FileSequenceReader {
public:
    /// Lists folder's regular files named "<anything>.<ending>" for one of endings (given
    /// without the dot). flag is kept for callers that pass one; it changes nothing.
    FileSequenceReader(const std::string& folder, const std::vector<std::string>& endings, bool flag = false);
    virtual ~FileSequenceReader();

    /// Path of the file with this index (folder joined with its name); "" when out of range.
    std::string GetFilePath(int index) const;
    /// Number of files found.
    int GetNumFiles() const { return static_cast<int>(m_files.size()); }
    /// The folder as given.
    const std::string& GetFolder() const { return m_folder; }
    /// The flag as given.
    bool GetFlag() const { return m_flag; }

protected:
    /// Index of the item the subclass last handled; -1 until it sets one.
    int m_currentIndex = -1;

private:
    std::string m_folder;
    bool m_flag;
    std::vector<std::string> m_files; // file names, sorted
};

} // namespace VornCommon
