#pragma once

// Render targets: targets that draw the frames of a graph into a view the host owns.
//
// Contract:
// - Two threads meet here. The graph's updating thread hands each incoming atom (with the
//   kept layers) to onUpdateFrame; the host's user-interface thread calls Render, which
//   calls onInitRenderer (first Render after construction or play start), onReInitRenderer
//   (when asked) and onRenderFrame. One render mutex keeps onUpdateFrame, onInitRenderer,
//   onReInitRenderer, onRenderFrame and onDestroyRenderer apart, so a subclass may share its
//   frame data between update and render without further locks.
// - UiEvent, the input state and the display strings belong to the thread that calls
//   Render; they take no lock.
// - The input profile is the whole upstream offer; with "Generate video texture" the
//   aggregated output profile announces one more layer, (REX, DataTypeTextureRGB).
// - Counters restart and the renderer is initialised again at every play start.

#include <Hyx/Target.h>

#include <VornCommon/Color.h>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace Hyx {

class FilterParamBool;

/// A mouse or keyboard event reported by the host.
class HYX_API UIEvent {
public:
    enum class EventType : int32_t {
        MouseDown = 0,
        MouseUp = 1,
        MouseMove = 2,
        MouseWheel = 3,
        MouseDoubleclick = 4,
        KeyDown = 5,
        KeyUp = 6,
    };

    UIEvent(EventType type, int code);
    UIEvent(EventType type, float wheelDelta, int x, int y);
    UIEvent(EventType type, int x, int y);
    UIEvent(EventType type, int code, int x, int y);

    static UIEvent mouseDown(int button, int x, int y);
    static UIEvent mouseUp(int button, int x, int y);
    static UIEvent mouseMove(int x, int y);
    static UIEvent mouseWheel(float delta, int x, int y);
    static UIEvent mouseDoubleclick(int button, int x, int y);
    static UIEvent keyDown(int key);
    static UIEvent keyUp(int key);

    EventType type;
    /// Mouse button or key code; 0 for move and wheel events.
    int code = 0;
    /// Wheel turn; 0 for other events.
    float wheelDelta = 0.0f;
    int x = 0;
    int y = 0;
};

class HYX_API TargetRenderer : public Target {
public:
    /// A line of text, with its colour, that the renderer asks the host to show.
    struct DisplayString {
        std::string text;
        VornCommon::Color color;
    };

    TargetRenderer();
    ~TargetRenderer() override;

    /// With "Generate video texture": the input profile plus (REX, DataTypeTextureRGB).
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;

    /// Names of the streams the renderer can show; none by default.
    virtual std::deque<std::string> GetRenderStreams();
    /// Render with an empty stream list.
    virtual void Render(int width, int height, bool reinitialize, int argument);
    /// On the host's thread: initialises (first time) or re-initialises (when asked) the
    /// renderer, empties the display strings and renders the current frame.
    virtual void Render(int width, int height, bool reinitialize, int argument, std::deque<unsigned> streams);
    /// Ends the renderer (onDestroyRenderer) under the render mutex.
    virtual void DestroyRenderer();
    /// Updates the pointer, button, wheel and keyboard state, then calls the key hooks.
    virtual void UiEvent(const UIEvent& event);

    /// Appends a line for the host (no lock: called from onRenderFrame).
    void AddDisplayString(const std::string& text, const VornCommon::Color& color);
    /// A copy of the lines written during the last Render.
    std::deque<DisplayString> GetDisplayStrings() const;

protected:
    /// Key codes whose held state the modifier flags keep.
    static constexpr int KEY_SHIFT = 0x1000020;
    static constexpr int KEY_CONTROL = 0x1000021;
    static constexpr int KEY_ALT = 0x1000023;

    HyxErrorCode onInitializeParams(Filter* upstream) override;
    HyxErrorCode onInitialize(Filter* upstream) override;
    HyxErrorCode onPlay() override;
    /// onUpdateFrame under the render mutex.
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

    /// On the updating thread, for each incoming atom; 0 by default.
    virtual HyxErrorCode onUpdateFrame(std::shared_ptr<Atom> atom);
    virtual HyxErrorCode onInitRenderer(int width, int height);
    virtual HyxErrorCode onReInitRenderer(int width, int height);
    virtual void onRenderFrame(int width, int height, std::deque<unsigned> streams);
    virtual HyxErrorCode onDestroyRenderer();
    virtual void onKeyDown(int key);
    virtual void onKeyUp(int key);

    int GetUpdateFrameCounter() const;
    int GetRenderFrameCounter() const;

    /// The fourth argument of the last Render, for the subclass.
    int _renderArgument = 0;
    /// Kept for subclasses; the base never sets it.
    std::shared_ptr<void> _reserved;
    std::shared_ptr<FilterParamBool> _videoTextureParam;

    // Input state, written by UiEvent on the rendering thread.
    std::array<bool, 3> _modifierFlags{}; // shift, control, alt
    std::array<bool, 1024> _keyFlags{};
    std::array<bool, 10> _buttonFlags{};
    bool _doubleClicked = false;
    float _dragDeltaX = 0.0f;
    float _dragDeltaY = 0.0f;
    float _lastX = 0.0f;
    float _lastY = 0.0f;
    float _currentX = 0.0f;
    float _currentY = 0.0f;
    float _wheelTotal = 0.0f;
    float _wheelStep = 0.0f;

private:
    std::mutex _renderMutex;
    // Atomic, so the subclass may read them while it renders (under the render mutex).
    std::atomic<int> _updateFrameCounter{0};
    std::atomic<int> _renderFrameCounter{0};
    bool _needsInitialization = true;
    std::deque<DisplayString> _displayStrings;
};

} // namespace Hyx
