#pragma once

// Parameters that pick one entry of a fixed list.
//
// - FilterParamEnumIndexed: labels with int values; the text form is the position of the
//   current value ("0" when it is not listed); a text is read leniently as a position and
//   clamped to the list.
// - FilterParamStringChoices: texts with int values; the text form is the first text whose
//   value is current. SetValueAsString takes only a text listed exactly (case counts), and
//   a choice's value written as text is no such text ("3" is refused unless a choice is
//   named "3"); SetValue takes only a listed value. Others are logged and refused.
// - FilterParamGuid / FilterParamInputProfiles: a selected index into a list of GUIDs or
//   profiles (-1 when the list is empty); the text form is the index. An index outside the
//   list is logged and refused, so the selection always names an entry.
// Lists are fixed at construction; the selection is atomic.

#include <Hyx/FilterParam.h>

#include <VornCommon/Guid.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Hyx {

class Profile;

class HYX_API FilterParamEnumIndexed : public FilterParam {
public:
    /// Labels and values pair by position; unequal counts throw std::invalid_argument
    /// "Invalid index enum map".
    FilterParamEnumIndexed(const char* name, unsigned flags, int value, const std::vector<std::string>& labels,
                           const std::vector<int>& values);

    /// Reads a position, clamps it to the list and selects its value; an empty list ignores it.
    void SetValueAsString(const char* value) override;
    /// The value (not the position).
    int GetValue() const { return _value.load(); }
    /// The labels, in list order.
    const std::vector<std::string>& GetEnumStrings() const { return _labels; }
    /// The values, in list order.
    const std::vector<int>& GetEnumValues() const { return _values; }

protected:
    std::string valueToString() const override;

private:
    std::atomic<int> _value;
    const std::vector<std::string> _labels;
    const std::vector<int> _values;
    std::map<int, int> _positionOfValue; // first position of each value
};

class HYX_API FilterParamStringChoices : public FilterParam {
public:
    using Choice = std::pair<std::string, int>;

    /// At least one choice is required and the initial value must be one of them (both
    /// logged as broken invariants otherwise).
    FilterParamStringChoices(const char* name, unsigned flags, int value, const std::vector<Choice>& choices);
    /// Texts and values pair by position, up to the shorter list ("Vectors must have same
    /// size." is logged when they differ).
    FilterParamStringChoices(const char* name, unsigned flags, int value, const std::vector<std::string>& texts,
                             const std::vector<int>& values);

    /// Takes the value of the first choice with exactly this text; otherwise logs and keeps
    /// the value. Notifies when the value changes.
    void SetValueAsString(const char* value) override;
    /// The current value.
    int GetValue() const { return _value.load(); }
    /// Takes a listed value; otherwise logs and keeps the value. Notifies on a change.
    void SetValue(int value);
    /// True when some choice has this value.
    bool CanHaveValue(int value) const;
    /// True when some choice has exactly this text.
    bool CanHaveValue(const char* text) const;
    /// The choices, in list order.
    const std::vector<Choice>& GetChoices() const { return _choices; }

protected:
    std::string valueToString() const override;

private:
    void checkInvariants() const;
    void store(int value);

    const std::vector<Choice> _choices;
    std::atomic<int> _value;
};

/// Shared base of the list selections: an index into a list fixed at construction.
class HYX_API FilterParamSelection : public FilterParam {
public:
    /// Reads the index leniently; an index outside the list is logged and refused.
    void SetValueAsString(const char* value) override;
    /// The selected index; -1 for an empty list.
    int GetValueIndex() const { return _index.load(); }

protected:
    FilterParamSelection(const char* name, unsigned flags, size_t count);

    std::string valueToString() const override;
    /// Stores and notifies when the index differs; the caller checks the range.
    void selectIndex(int index);

private:
    const int _count;
    std::atomic<int> _index;
};

class HYX_API FilterParamGuid : public FilterParamSelection {
public:
    /// Selects the first GUID (none for an empty list).
    FilterParamGuid(const char* name, unsigned flags, const std::vector<VornCommon::Guid>& guids);

    /// The selected GUID; the nil GUID for an empty list.
    VornCommon::Guid GetValue() const;
    /// The GUIDs, in list order.
    const std::vector<VornCommon::Guid>& GetGuids() const { return _guids; }
    /// Selects the first equal GUID; no equal GUID leaves the selection.
    void SetSelectedGuid(const VornCommon::Guid& guid);

private:
    const std::vector<VornCommon::Guid> _guids;
};

class HYX_API FilterParamInputProfiles : public FilterParamSelection {
public:
    /// Selects the first profile (none for an empty list).
    FilterParamInputProfiles(const char* name, unsigned flags, const std::vector<std::shared_ptr<Profile>>& profiles);

    /// The selected profile; empty for an empty list.
    std::shared_ptr<Profile> GetValue() const;
    /// The candidate profiles, in list order.
    const std::vector<std::shared_ptr<Profile>>& GetProfiles() const { return _profiles; }
    /// Selects the first profile with the same text form; no match leaves the selection.
    void SetSelectedProfile(const std::shared_ptr<Profile>& profile);

private:
    const std::vector<std::shared_ptr<Profile>> _profiles;
};

} // namespace Hyx
