#include <VornCommon/String.h>

#include <ostream>

namespace VornCommon {

String::String(const char* text)
{
    if (text)
        m_text = text;
}

String& String::operator+=(const String& other)
{
    m_text += other.m_text;
    return *this;
}

String operator+(const String& a, const String& b)
{
    std::string joined;
    joined.reserve(a.Length() + b.Length());
    joined += a.m_text;
    joined += b.m_text;
    return String(std::move(joined));
}

std::ostream& operator<<(std::ostream& out, const String& text)
{
    return out << text.StdString();
}

} // namespace VornCommon
