#pragma once
// One text per file, its title: kept in the file's own Summary Information property set,
// or in the fallback store where the volume keeps no per-file property sets.
//
// Each call opens the file without sharing for its whole duration, so a file that another
// handle holds open reads "NotSet" and is not written. Safe from any thread.
#include <windows.h>

#include <string>

namespace titles {

// The file's title, or "NotSet" when it has none or it cannot be read now. Where titles
// live in the fallback store, a deletion mark reads only on the file exactly as it was
// marked: a copy put in its place, or the clip after a rename or attribute change outside
// the program, reads "NotSet" rather than be deleted for a mark it may never have had.
std::wstring ReadTitle(const std::wstring& path);
// Failures are silent: callers try again at their next pass or leave the file as it is.
// The empty text leaves a title that reads "NotSet".
void WriteTitle(const std::wstring& path, const std::wstring& text);

// The address a captured clip was fetched from, kept with the clip in the same way as its
// title (the Comments property of the same set, or a log of its own); empty when none.
std::wstring ReadSourceUrl(const std::wstring& path);
void WriteSourceUrl(const std::wstring& path, const std::wstring& url);

// The identities of the streams a captured clip was made from, one a line, kept with the
// clip in the same way (the Keywords property, or a log of its own): the capture record
// can be rebuilt from the clips themselves. Empty when none.
std::wstring ReadStreamIdentities(const std::wstring& path);
void WriteStreamIdentities(const std::wstring& path, const std::wstring& identities);

// The address of the page a captured clip was watched on (the Subject property, or a log of
// its own); empty when none is known.
std::wstring ReadPageUrl(const std::wstring& path);
void WritePageUrl(const std::wstring& path, const std::wstring& url);

// Deletes the file, read-only or not, and then forgets its title, so the marker goes only
// with the file and a later file that takes over its identity inherits nothing. False,
// with the reason in `error`, when the file stays (held open elsewhere, say); its
// attributes and title are then as they were.
bool DeleteTitledFile(const std::wstring& path, DWORD& error);

}  // namespace titles
