#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/Profile.h>
#include <Hyx/TargetRenderer.h>

#include <VornCommon/Profiler.h>

namespace Hyx {

namespace {

// Type of the rendered RGB texture layer that the renderer announces.
constexpr VornCommon::Guid kTextureRGBType = GuidLiteral("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");

} // namespace

// ---- UIEvent ----

UIEvent::UIEvent(EventType type_, int code_) : type(type_), code(code_)
{
}

UIEvent::UIEvent(EventType type_, float wheelDelta_, int x_, int y_)
    : type(type_), wheelDelta(wheelDelta_), x(x_), y(y_)
{
}

UIEvent::UIEvent(EventType type_, int x_, int y_) : type(type_), x(x_), y(y_)
{
}

UIEvent::UIEvent(EventType type_, int code_, int x_, int y_) : type(type_), code(code_), x(x_), y(y_)
{
}

UIEvent UIEvent::mouseDown(int button, int x, int y)
{
    return UIEvent(EventType::MouseDown, button, x, y);
}
UIEvent UIEvent::mouseUp(int button, int x, int y)
{
    return UIEvent(EventType::MouseUp, button, x, y);
}
UIEvent UIEvent::mouseMove(int x, int y)
{
    return UIEvent(EventType::MouseMove, x, y);
}
UIEvent UIEvent::mouseWheel(float delta, int x, int y)
{
    return UIEvent(EventType::MouseWheel, delta, x, y);
}
UIEvent UIEvent::mouseDoubleclick(int button, int x, int y)
{
    return UIEvent(EventType::MouseDoubleclick, button, x, y);
}
UIEvent UIEvent::keyDown(int key)
{
    return UIEvent(EventType::KeyDown, key);
}
UIEvent UIEvent::keyUp(int key)
{
    return UIEvent(EventType::KeyUp, key);
}

// ---- TargetRenderer ----

TargetRenderer::TargetRenderer() = default;

TargetRenderer::~TargetRenderer() = default;

HyxErrorCode TargetRenderer::onInitializeParams(Filter* upstream)
{
    if (!_videoTextureParam) {
        _videoTextureParam = std::make_shared<FilterParamBool>("Generate video texture", 1u, false);
    }
    addParam(_videoTextureParam, true);
    return Target::onInitializeParams(upstream);
}

HyxErrorCode TargetRenderer::onInitialize(Filter* upstream)
{
    std::shared_ptr<Profile> offer = upstream ? upstream->GetAggregatedOutputProfile() : nullptr;
    return SetInputProfile(upstream, offer ? std::move(offer) : std::make_shared<Profile>());
}

std::shared_ptr<Profile> TargetRenderer::GetAggregatedOutputProfile()
{
    if (!_videoTextureParam || !_videoTextureParam->GetValue()) {
        return Target::GetAggregatedOutputProfile();
    }
    if (!_inputProfile) {
        return std::make_shared<Profile>();
    }
    auto profile = std::make_shared<Profile>(*_inputProfile);
    profile->Add(HYXPurposeGuids::REX, kTextureRGBType);
    return profile;
}

std::deque<std::string> TargetRenderer::GetRenderStreams()
{
    return {};
}

void TargetRenderer::Render(int width, int height, bool reinitialize, int argument)
{
    Render(width, height, reinitialize, argument, std::deque<unsigned>());
}

void TargetRenderer::Render(int width, int height, bool reinitialize, int argument, std::deque<unsigned> streams)
{
    std::lock_guard<std::mutex> lock(_renderMutex);
    _renderArgument = argument;
    if (_needsInitialization) {
        onInitRenderer(width, height);
        _needsInitialization = false;
    } else if (reinitialize) {
        onReInitRenderer(width, height);
    }
    _displayStrings.clear();
    onRenderFrame(width, height, std::move(streams));
    ++_renderFrameCounter;
}

void TargetRenderer::DestroyRenderer()
{
    std::lock_guard<std::mutex> lock(_renderMutex);
    onDestroyRenderer();
}

HyxErrorCode TargetRenderer::onProcessFrame(std::shared_ptr<Atom> atom)
{
    static const VornCommon::ProfilerZone zone("HYX::TargetRenderer::onProcessFrame");
    const VornCommon::ProfilerZoneScope scope(zone);

    std::lock_guard<std::mutex> lock(_renderMutex);
    const HyxErrorCode result = onUpdateFrame(std::move(atom));
    ++_updateFrameCounter;
    return result;
}

HyxErrorCode TargetRenderer::onPlay()
{
    // Render reads these under the same mutex on the host's thread.
    std::lock_guard<std::mutex> lock(_renderMutex);
    _needsInitialization = true;
    _updateFrameCounter = 0;
    _renderFrameCounter = 0;
    return HyxErrorCode::Success;
}

void TargetRenderer::UiEvent(const UIEvent& event)
{
    _currentX = static_cast<float>(event.x);
    _currentY = static_cast<float>(event.y);
    const int code = event.code;
    switch (event.type) {
    case UIEvent::EventType::KeyDown:
    case UIEvent::EventType::KeyUp: {
        const bool down = event.type == UIEvent::EventType::KeyDown;
        if (code >= 0 && code < static_cast<int>(_keyFlags.size())) {
            _keyFlags[static_cast<size_t>(code)] = down;
        }
        if (code == KEY_SHIFT) {
            _modifierFlags[0] = down;
        } else if (code == KEY_CONTROL) {
            _modifierFlags[1] = down;
        } else if (code == KEY_ALT) {
            _modifierFlags[2] = down;
        }
        if (down) {
            onKeyDown(code);
        } else {
            onKeyUp(code);
        }
        return;
    }
    default: break;
    }
    if (code > 9) {
        return;
    }
    const bool validButton = code >= 0; // a negative code changes no button flag
    switch (event.type) {
    case UIEvent::EventType::MouseUp:
        if (validButton) {
            _buttonFlags[static_cast<size_t>(code)] = false;
        }
        break;
    case UIEvent::EventType::MouseDown:
        if (validButton) {
            _buttonFlags[static_cast<size_t>(code)] = true;
        }
        _lastX = _currentX;
        _lastY = _currentY;
        break;
    case UIEvent::EventType::MouseDoubleclick: _doubleClicked = true; break;
    case UIEvent::EventType::MouseWheel:
        _wheelStep = event.wheelDelta / 120.0f;
        _wheelTotal += _wheelStep;
        break;
    case UIEvent::EventType::MouseMove:
        _dragDeltaX += _currentX - _lastX;
        _dragDeltaY += _currentY - _lastY;
        _lastX = _currentX;
        _lastY = _currentY;
        break;
    default: break;
    }
}

void TargetRenderer::AddDisplayString(const std::string& text, const VornCommon::Color& color)
{
    _displayStrings.push_back(DisplayString{text, color});
}

std::deque<TargetRenderer::DisplayString> TargetRenderer::GetDisplayStrings() const
{
    return _displayStrings;
}

int TargetRenderer::GetUpdateFrameCounter() const
{
    return _updateFrameCounter.load();
}

int TargetRenderer::GetRenderFrameCounter() const
{
    return _renderFrameCounter.load();
}

HyxErrorCode TargetRenderer::onUpdateFrame(std::shared_ptr<Atom>)
{
    return HyxErrorCode::Success;
}

HyxErrorCode TargetRenderer::onInitRenderer(int, int)
{
    return HyxErrorCode::Success;
}

HyxErrorCode TargetRenderer::onReInitRenderer(int, int)
{
    return HyxErrorCode::Success;
}

void TargetRenderer::onRenderFrame(int, int, std::deque<unsigned>)
{
}

HyxErrorCode TargetRenderer::onDestroyRenderer()
{
    return HyxErrorCode::Success;
}

void TargetRenderer::onKeyDown(int)
{
}

void TargetRenderer::onKeyUp(int)
{
}

} // namespace Hyx
