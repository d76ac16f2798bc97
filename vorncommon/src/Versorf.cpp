#include <VornCommon/Versorf.h>

#include "FloatText.h"
#include "RawFloat.h"

#include <cmath>
#include <stdexcept>

namespace VornCommon {

Versorf Versorf::FromElementsVector(const Vector4f& e)
{
    if (!std::isfinite(e.x) || !std::isfinite(e.y) || !std::isfinite(e.z) || !std::isfinite(e.w))
        throw std::invalid_argument("Versor elements " + e.ToString().StdString() + " are not finite");
    // Sum in double: squares of large finite floats would overflow in float.
    const double norm2 = double(e.x) * e.x + double(e.y) * e.y + double(e.z) * e.z + double(e.w) * e.w;
    if (norm2 == 0.0)
        throw std::invalid_argument("Versor elements " + e.ToString().StdString() + " are all zero");
    Versorf versor;
    if (std::fabs(norm2 - 1.0) <= 1e-5) {
        versor.m_elements = e;
    } else {
        const double inverse = 1.0 / std::sqrt(norm2);
        versor.m_elements =
            Vector4f(float(e.x * inverse), float(e.y * inverse), float(e.z * inverse), float(e.w * inverse));
    }
    return versor;
}

void Versorf::ToRawBytes(uint8_t* dest) const noexcept
{
    Raw::PutF32(dest, m_elements.x);
    Raw::PutF32(dest + 4, m_elements.y);
    Raw::PutF32(dest + 8, m_elements.z);
    Raw::PutF32(dest + 12, m_elements.w);
}

void Versorf::ToRawBytes(ByteArray& out) const
{
    Raw::AppendTo(out, *this);
}

Versorf Versorf::FromRawBytes(const uint8_t* bytes) noexcept
{
    Versorf versor;
    versor.m_elements =
        Vector4f(Raw::GetF32(bytes), Raw::GetF32(bytes + 4), Raw::GetF32(bytes + 8), Raw::GetF32(bytes + 12));
    return versor;
}

Versorf Versorf::FromRawBytes(ByteArray& in, bool consume)
{
    return Raw::ReadFront<Versorf>(in, consume);
}

String Versorf::ToString() const
{
    return m_elements.ToString();
}

} // namespace VornCommon
