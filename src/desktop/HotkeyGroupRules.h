#pragma once

namespace tavilo {

// What decides whether a hands-free key group is on. Defaults keep every group off.
struct HotkeyGroupInputs {
    bool handsFreeKeysEnabled = false;
    bool isRunning = false;
    bool cueMode = false; // readingMode is cue (otherwise it is normal)
    bool spacePauseEnabled = false;
    bool scrollSessionActive = false;
    bool isListening = false; // voice follow is listening
    bool applicationActive = true; // one of Tavilo's own windows has the keyboard focus
};

// Up/Down change the speed while the text runs.
bool speedKeysWanted(const HotkeyGroupInputs& inputs);

// Page keys, arrows and digits drive the cue cards.
bool cueGroupsWanted(const HotkeyGroupInputs& inputs);

// Space pauses and resumes only while the user works in another application: in Tavilo's own
// windows it keeps its ordinary meaning.
bool playPauseWanted(const HotkeyGroupInputs& inputs);

} // namespace tavilo
