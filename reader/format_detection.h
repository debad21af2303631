// Format recognition: the first pages of a Jet file carry fixed words (see
// FormatSignature). A Jet 3 file is refused as no Access file. A Jet 4 file
// gets its layout, and the decoding of its pages when they are encoded or
// encrypted (reader/page_decoding.h); damage to the words does not refuse
// it while its header or its pages still show Jet 4. Only a file with
// nothing of Jet 4 left is refused as highly corrupted.
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
