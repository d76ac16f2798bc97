#include <Hyx/FilterParam.h>

#include <utility>

namespace Hyx {

IParameterValueChanged::~IParameterValueChanged() = default;

FilterParam::Events::~Events() = default;

void FilterParam::Events::onValueChanged(std::shared_ptr<FilterParam>, std::string)
{
}

FilterParam::FilterParam(const char* name, unsigned flags) : _name(name != nullptr ? name : ""), _flags(flags)
{
}

FilterParam::~FilterParam() = default;

std::string FilterParam::GetStatus() const
{
    return std::string();
}

std::string FilterParam::GetValueAsString() const
{
    std::string text = valueToString();
    std::lock_guard<std::mutex> lock(_textMutex);
    _cachedText = text;
    return text;
}

std::string FilterParam::ToString() const
{
    std::lock_guard<std::mutex> lock(_textMutex);
    return "name=\"" + _name + "\" value=\"" + _cachedText + "\"";
}

void FilterParam::SetParameterValueChangedCallback(IParameterValueChanged* callback, std::weak_ptr<void> owner)
{
    // An owner that is not (or no longer) held by a shared pointer is none.
    const bool owned = !owner.expired();
    std::lock_guard<std::mutex> lock(_callbackMutex);
    _callback = callback;
    _callbackOwner = std::move(owner);
    _owned = owned;
}

bool FilterParam::ValueChanged()
{
    return _changed.exchange(false);
}

void FilterParam::NotifyValueChanged()
{
    _changed.store(true);
    const std::string text = GetValueAsString();
    // A parameter built outside a shared pointer still notifies, with an empty pointer.
    std::shared_ptr<FilterParam> self = weak_from_this().lock();

    IParameterValueChanged* callback = nullptr;
    std::shared_ptr<void> keep; // the callback's owner, alive while it is told
    {
        std::lock_guard<std::mutex> lock(_callbackMutex);
        callback = _callback;
        if (callback != nullptr && _owned) {
            keep = _callbackOwner.lock();
            if (!keep)
                callback = nullptr; // being destroyed on another thread
        }
    }
    // Called outside the lock: the filter may look parameters up again from inside.
    if (callback != nullptr)
        callback->cbiParameterValueChanged(self, text.c_str());

    _events.Emit([&](Events& listener) { listener.onValueChanged(self, text); });
}

ParamGroup::ParamGroup(unsigned start, unsigned end, const std::string& label) : _label(label), _start(start), _end(end)
{
}

} // namespace Hyx
