#pragma once

namespace clipvoice::platform {
class SettingsStore;
}

namespace clipvoice::app {

// Whether selected text is spoken too, kept with the program's other
// settings as "1" (on) or "0". Off when nothing is stored, when the store
// cannot be read, and for any other text.
bool readsSelection(platform::SettingsStore& settings);

// False when the store refused the value.
bool saveReadsSelection(platform::SettingsStore& settings, bool on);

} // namespace clipvoice::app
