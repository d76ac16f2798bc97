#pragma once

// Class infos: the self-description of every data-layer and filter class, a class name
// and a readable (nice) name derived from it, and for filters a category.
//
// Contract:
// - The nice name is always derived from the class name; it takes no part in equality.
// - Data-layer infos are equal when their class names are; filter infos when their class
//   names and categories are.
// - Values without shared state: copy them freely, no lock needed.

#include <Hyx/Export.h>

#include <VornCommon/String.h>

#include <cstdint>

namespace Hyx {

/// Kind of a filter class, with a display name per value.
enum class FilterCategory : int32_t {
    Unknown = 0,
    Source = 1,
    Transform = 2,
    TextureFormatConversion = 3,
    TextureColorModifier = 4,
    Target = 5,
    Renderer = 6,
    Compressor = 7,
    Decompressor = 8,
};

class HYX_API FilterCategoryDeterminer {
public:
    /// The display name of a category; "Unknown" for a value outside 0 to 8.
    static VornCommon::String GetFilterCategoryName(FilterCategory category);
};

class HYX_API DataLayerClassInfo {
public:
    /// Empty names.
    DataLayerClassInfo() = default;
    /// The class name and its derived nice name.
    explicit DataLayerClassInfo(const VornCommon::String& className);

    /// The class name, for example "DataTypeByteArray".
    const VornCommon::String& GetClassName() const { return _className; }
    /// The readable name, for example "ByteArray".
    const VornCommon::String& GetNiceClassName() const { return _niceClassName; }

    /// Equal when the class names are.
    bool operator==(const DataLayerClassInfo& other) const;
    bool operator!=(const DataLayerClassInfo& other) const { return !(*this == other); }

    /// The class name with every "DataType" removed.
    static VornCommon::String NicifyDataLayerClassName(const VornCommon::String& className);

private:
    VornCommon::String _className;
    VornCommon::String _niceClassName;
};

class HYX_API FilterClassInfo {
public:
    /// Empty names, category Unknown.
    FilterClassInfo() = default;
    /// The class name, its derived nice name and the category.
    FilterClassInfo(const VornCommon::String& className, FilterCategory category);

    /// The class name, for example "TargetCallback".
    const VornCommon::String& GetClassName() const { return _className; }
    /// The readable name, for example "Callback".
    const VornCommon::String& GetNiceClassName() const { return _niceClassName; }
    /// The category.
    FilterCategory GetCategory() const { return _category; }

    /// Equal when the class names and the categories are.
    bool operator==(const FilterClassInfo& other) const;
    bool operator!=(const FilterClassInfo& other) const { return !(*this == other); }

    /// In order: removes every "Hyx::", the first "Filter", the first "Target", every "_",
    /// the first "Source"; replaces the first "Mutate" by "#"; removes the first "Transform".
    static VornCommon::String NicifyFilterClassName(const VornCommon::String& className);

private:
    VornCommon::String _className;
    VornCommon::String _niceClassName;
    FilterCategory _category = FilterCategory::Unknown;
};

} // namespace Hyx
