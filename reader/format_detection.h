// Format recognition: the first pages of a Jet file carry fixed words (see
// FormatSignature). A Jet 4 file gets its layout; a Jet 3 file is refused
// as no Access file, anything else as highly corrupted.
#pragma once

#include "format/jet_layout.h"

class MdbFile;
class ProgressChannel;
namespace platform {
class Dialogs;
}

// 4 for a Jet 4 file, whose layout the session now uses; -1 after the
// refusal was reported through the channel and shown as a message.
int DetectFormat(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs);

// True when the open file's first pages carry the signature's words.
bool CheckSignature(const MdbFile& db, const FormatSignature& signature);
