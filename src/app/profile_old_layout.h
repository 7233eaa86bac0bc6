#pragma once
// Settings profiles of version 5.3: one sequence of comma- and line-separated fields
// instead of sections. They are read so that an old installation keeps its settings;
// the next save writes the sectioned form.

namespace ob7 {

class Profile;
class TextFile;

// The simulation options as one record: a count, that many option texts (one a line),
// two number formats and an integer (both of older owners, read over), then every
// option parsed. 0 or the first read error.
int ReadGlobalSettingsRecord(TextFile& file);

// Reads the fields after the leading "5.3": data folder, simulation options (an error
// ends the read with its code), font records (dropped), the operational option bits,
// printer header and footer, window entries (dropped), the status-bar switch and the
// recent files. A later field that cannot be read ends the read keeping what came before.
int ReadOldProfileLayout(Profile& profile);

}  // namespace ob7
