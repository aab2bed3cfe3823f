// The norm database as a whole, for bringing it out to a workbook and back:
// everything its four files say, the comment lines of the tables file
// included, and the replacement of the four files all together.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/norm_store.h"

namespace verdin {

// The four files of a database in the order they are written: tables,
// industry coefficients, notes, percentage table.
inline constexpr std::size_t kNormFileCount = 4;
std::array<std::string, kNormFileCount> NormFileNames();

// What the norm files hold, in the form a person edits it.
struct NormCollection {
  // The comment lines at the head of the tables file, each without its
  // "*" and the blank after it: the name, date and source of the database
  // ("Название: …", "Дата: …", "Источник: …") and free text.
  std::vector<std::string> about;
  std::vector<NormTable> tables;
  // The one comment line that may stand before a table (never the first);
  // tableComments[t] belongs to tables[t]. Same size as tables.
  std::vector<std::optional<std::string>> tableComments;
  std::vector<IndustryCoefficient> coefficients;
  // Each note as its lines; the first line is the one marked with "\".
  std::vector<std::vector<std::string>> notes;
  std::vector<PercentageLine> percentages;
  // How the X and the price of each point are written, in the order of the
  // points in the file: the digits after the decimal comma where the file
  // keeps a fixed number of them ("21752,40": 2), -1 for the general form.
  // Missing entries mean the general form.
  std::vector<std::int8_t> xDecimals;
  std::vector<std::int8_t> priceDecimals;
};

// A number as the database writes it: with `decimals` digits after the
// decimal comma, or in the general form for -1.
std::string NumberText(double value, int decimals);

// The digits after the separator ("," or ".") of a number's text when
// `value` written with that many gives the text back ("21752,40": 2);
// -1 for a text without a separator or in another form ("1E-05").
int DecimalsOf(std::string_view text, double value);

// The labels of the comment lines that name the database.
inline constexpr const char* kAboutName = "Название";
inline constexpr const char* kAboutDate = "Дата";
inline constexpr const char* kAboutSource = "Источник";

// Reads the database of `folder` with the loader's checks (NormDataError),
// keeping the comment lines the loader passes over.
NormCollection ReadNormCollection(const std::filesystem::path& folder);

// The four files' bytes as the database keeps them: Windows-1251, CR LF
// after every line, numbers in the general form (decimal comma; the
// percentage table with the decimal point). The collection must have been
// checked: texts fit Windows-1251 and hold no line breaks.
std::array<std::string, kNormFileCount> NormFileBytes(const NormCollection& collection);

// Replaces the four files of `folder` with `bytes`, all of them or none.
// The new files are first written in full into a staging folder beside
// them and loaded there with the loader's checks; the files replaced are
// copied to "<name>.bak"; then a journal is written and the four are
// renamed into place. A run broken off before the journal leaves the old
// database; one broken off after it is completed by the next
// FinishNormReplacement, so that the folder never keeps a mix of old and
// new files. Throws FileError with a Russian message naming the file.
void ReplaceNormFiles(const std::filesystem::path& folder, const std::array<std::string, kNormFileCount>& bytes);

// Completes a replacement broken off after its journal was written, or
// removes the staging folder of one broken off before. Does nothing in a
// folder without either. Throws FileError when a rename fails.
void FinishNormReplacement(const std::filesystem::path& folder);

// Which database a folder holds, as «О программе» and norms-info show it.
struct NormIdentity {
  std::string name;         // from "Название: …", else empty
  std::string date;         // from "Дата: …", else the files' latest date (ДД.ММ.ГГГГ)
  std::string fingerprint;  // 8 hex digits over the four files' bytes; empty when the name is given
  int tableCount = 0;
};

// Reads the database of `folder` and tells which it is. Throws
// NormDataError (or FileError) as loading does.
NormIdentity IdentifyNormDatabase(const std::filesystem::path& folder);

// The identity as one line of text: "«Название», 01.02.2024, таблиц: 207"
// or "файлы от 01.02.2024, отпечаток 1a2b3c4d, таблиц: 10".
std::string NormIdentityText(const NormIdentity& identity);

}  // namespace verdin
