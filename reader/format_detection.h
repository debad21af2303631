// Format recognition: the first pages of a Jet file carry fixed words (see
// FormatSignature), those of Jet 3 files or those of Jet 4 files (which the
// ACE formats share). The file gets its layout, the format facts of its
// header, and the decoding of its pages when they are encoded or encrypted
// (reader/page_decoding.h); damage to the words does not refuse it while its
// header or its pages still show a layout, be it only by data pages that
// hold rows. A file with nothing readable left is refused: as highly
// corrupted when it still shows traces of a Jet file, else as no Access
// file at all.
#pragma once

#include "format/jet_layout.h"

class MdbFile;
class ProgressChannel;
namespace platform {
class Dialogs;
}

// 3 for a Jet 3 file, 4 for a Jet 4 or ACE file, whose layout the session
// now uses; -1 after the refusal was reported through the channel and shown
// as a message.
int DetectFormat(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs);

// True when the open file's first pages, decoded with pageKey when it is
// not 0, carry the words of the layout's signature.
bool CheckSignature(const MdbFile& db, const JetLayout& layout, uint32_t pageKey = 0);
