#pragma once

// Small float vectors and Pair. Plain values with public components, zero by default.
// Text form: the components in default stream float format, "(1, 0.5)", "(1, 2, 3)".

#include <VornCommon/Export.h>
#include <VornCommon/String.h>

#include <stdexcept>
#include <utility>

namespace VornCommon {

template <class A, class B>
using Pair = std::pair<A, B>;

struct VORN_API Vector2f {
    float x = 0.0f;
    float y = 0.0f;

    constexpr Vector2f() noexcept = default;
    constexpr Vector2f(float x_, float y_) noexcept : x(x_), y(y_) {}

    /// Component i (0 x, 1 y); throws std::out_of_range otherwise.
    constexpr float& operator[](int i)
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        default: throw std::out_of_range("Vector2f index");
        }
    }
    constexpr float operator[](int i) const
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        default: throw std::out_of_range("Vector2f index");
        }
    }

    String ToString() const;

    friend constexpr Vector2f operator+(Vector2f a, Vector2f b) noexcept { return {a.x + b.x, a.y + b.y}; }
    friend constexpr Vector2f operator-(Vector2f a, Vector2f b) noexcept { return {a.x - b.x, a.y - b.y}; }
    friend constexpr Vector2f operator*(Vector2f a, float s) noexcept { return {a.x * s, a.y * s}; }
    friend constexpr Vector2f operator*(float s, Vector2f a) noexcept { return a * s; }
    friend constexpr bool operator==(const Vector2f&, const Vector2f&) noexcept = default;
};

struct VORN_API Vector3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vector3f() noexcept = default;
    constexpr Vector3f(float x_, float y_, float z_) noexcept : x(x_), y(y_), z(z_) {}

    /// Component i (0 x, 1 y, 2 z); throws std::out_of_range otherwise.
    constexpr float& operator[](int i)
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        case 2: return z;
        default: throw std::out_of_range("Vector3f index");
        }
    }
    constexpr float operator[](int i) const
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        case 2: return z;
        default: throw std::out_of_range("Vector3f index");
        }
    }

    String ToString() const;

    friend constexpr Vector3f operator+(Vector3f a, Vector3f b) noexcept { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend constexpr Vector3f operator-(Vector3f a, Vector3f b) noexcept { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend constexpr Vector3f operator*(Vector3f a, float s) noexcept { return {a.x * s, a.y * s, a.z * s}; }
    friend constexpr Vector3f operator*(float s, Vector3f a) noexcept { return a * s; }
    friend constexpr bool operator==(const Vector3f&, const Vector3f&) noexcept = default;
};

struct VORN_API Vector4f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr Vector4f() noexcept = default;
    constexpr Vector4f(float x_, float y_, float z_, float w_) noexcept : x(x_), y(y_), z(z_), w(w_) {}

    /// Component i (0 x, 1 y, 2 z, 3 w); throws std::out_of_range otherwise.
    constexpr float& operator[](int i)
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        case 2: return z;
        case 3: return w;
        default: throw std::out_of_range("Vector4f index");
        }
    }
    constexpr float operator[](int i) const
    {
        switch (i) {
        case 0: return x;
        case 1: return y;
        case 2: return z;
        case 3: return w;
        default: throw std::out_of_range("Vector4f index");
        }
    }

    String ToString() const;

    friend constexpr Vector4f operator+(Vector4f a, Vector4f b) noexcept
    {
        return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
    }
    friend constexpr Vector4f operator-(Vector4f a, Vector4f b) noexcept
    {
        return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
    }
    friend constexpr Vector4f operator*(Vector4f a, float s) noexcept { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
    friend constexpr Vector4f operator*(float s, Vector4f a) noexcept { return a * s; }
    friend constexpr bool operator==(const Vector4f&, const Vector4f&) noexcept = default;
};

} // namespace VornCommon
