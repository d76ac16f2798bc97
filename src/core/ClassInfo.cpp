#include <Hyx/ClassInfo.h>

#include <string>
#include <string_view>

namespace Hyx {

namespace {

void replaceFirst(std::string& text, std::string_view what, std::string_view by)
{
    const size_t at = text.find(what);
    if (at != std::string::npos)
        text.replace(at, what.size(), by);
}

void removeFirst(std::string& text, std::string_view what)
{
    replaceFirst(text, what, {});
}

void removeEvery(std::string& text, std::string_view what)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

const char* const CategoryNames[] = {
    "Unknown",  "Source",     "Transform",    "Texture Format Conversion", "Texture Color Modifier", "Target",
    "Renderer", "Compressor", "Decompressor",
};

} // namespace

VornCommon::String FilterCategoryDeterminer::GetFilterCategoryName(FilterCategory category)
{
    const auto index = static_cast<int32_t>(category);
    if (index < 0 || index >= int32_t(std::size(CategoryNames)))
        return CategoryNames[0];
    return CategoryNames[index];
}

DataLayerClassInfo::DataLayerClassInfo(const VornCommon::String& className)
    : _className(className), _niceClassName(NicifyDataLayerClassName(className))
{
}

bool DataLayerClassInfo::operator==(const DataLayerClassInfo& other) const
{
    return _className == other._className;
}

VornCommon::String DataLayerClassInfo::NicifyDataLayerClassName(const VornCommon::String& className)
{
    std::string text = className.StdString();
    removeEvery(text, "DataType");
    return VornCommon::String(std::move(text));
}

FilterClassInfo::FilterClassInfo(const VornCommon::String& className, FilterCategory category)
    : _className(className), _niceClassName(NicifyFilterClassName(className)), _category(category)
{
}

bool FilterClassInfo::operator==(const FilterClassInfo& other) const
{
    return _className == other._className && _category == other._category;
}

VornCommon::String FilterClassInfo::NicifyFilterClassName(const VornCommon::String& className)
{
    std::string text = className.StdString();
    removeEvery(text, "Hyx::");
    removeFirst(text, "Filter");
    removeFirst(text, "Target");
    removeEvery(text, "_");
    removeFirst(text, "Source");
    replaceFirst(text, "Mutate", "#");
    removeFirst(text, "Transform");
    return VornCommon::String(std::move(text));
}

} // namespace Hyx
