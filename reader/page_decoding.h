// How the session reads the pages after the header: as stored, decoded with
// the Jet page key, or decrypted with the password of an ACE database.
//
// The header's database key means two things. In Jet 3 and Jet 4 it is the
// RC4 key of every page, needing no password; it is believed only when it
// turns the first pages into Jet pages. In ACE (version byte 2 and up) it
// marks a database encrypted with a password, described at 0x299; the
// password is asked for until it opens the verifier or the person gives up,
// and the file is refused without one: its pages are never read encrypted.
#pragma once

#include <string>

#include "format/field_readers.h"

class MdbFile;
struct DatabaseHeader;
namespace platform {
class Dialogs;
}

inline constexpr char kPasswordNeededText[] = "This database is encrypted: its password is needed to read it.";
inline constexpr char kPasswordWrongText[] = "The password is not correct.";

// Gives the session, which holds its layout already, the codec of its pages
// and the encryption in its format. Empty when the pages can be read;
// otherwise the message the file is refused with.
std::string ChoosePageDecoding(MdbFile& db, const DatabaseHeader& header, ByteSpan headerPage,
                               platform::Dialogs& dialogs);
