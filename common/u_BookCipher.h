// The book cipher: it enciphers the pages cabinet of a book protected by one password
// for the whole book or by user names and passwords, and the user records that carry
// the book's key. The compiler enciphers; every reader of books deciphers.
#pragma once

#include <string>

// Data is preceded by its length and checksum (32-bit little-endian each), padded to
// whole words with 100, 110, 120; the key is padded with 50, 55, 60; each word is
// rotated left by 31 - (first byte of its key word mod 32) and combined with the key
// word. Raw false gives upper-case hexadecimal text. Raises Exception for an empty key
// (no book is ever enciphered with one).
std::string EncryptData(const std::string& Data, const std::string& Key, bool Raw);

// Undoes EncryptData (Raw form: the bytes; text form: the hexadecimal digits). True
// and the original data when the length and checksum at the front prove the key right;
// false for any other key, the empty key included.
bool DecryptData(const std::string& Cipher, const std::string& Key, bool Raw, std::string& Data);

// The user record of one user: EncryptData(BookKey, EncryptData(User \0 Password,
// fixed key, text), text).
std::string UserKeyRecord(const std::string& User, const std::string& Password, const std::string& BookKey);
// Recovers the book key from a user record; false when the name or password is wrong.
bool BookKeyFromUserRecord(const std::string& Record, const std::string& User, const std::string& Password,
                           std::string& BookKey);

// A fresh random book key: a GUID in registry text form (38 characters, braces,
// upper-case hexadecimal digits, hyphens).
std::string NewGuidText();

// Bytes as upper-case hexadecimal digits, two per byte, and back (false for text that
// is not such digits).
std::string HexText(const std::string& Data);
bool FromHexText(const std::string& Text, std::string& Data);
