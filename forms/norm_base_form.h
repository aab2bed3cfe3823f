// The «Нормативная база» window as a model: which norm database the
// program works with, its export to a workbook and its import from one,
// with the tables taken into the running program after an import.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "forms/main_commands.h"

namespace verdin {

inline constexpr const char* kNormBaseCaption = "Нормативная база";

struct NormBaseForm {
  std::string lblName;     // the «О базе» name, or "не указано"
  std::string lblDate;     // its date, or the files' date
  std::string lblTables;   // the number of norm tables
  std::string lblSource;   // the data folder
  // What the last export or import did, one line; empty before either.
  std::string lblResult;
  // The problems the last import found in its workbook, one a line.
  std::vector<std::string> lstProblems;
  // The folder the file chooser starts in: where the last workbook was.
  std::filesystem::path workbookFolder;
};

// The facts of the database in the data folder. A database that cannot be
// read shows why in place of its name.
NormBaseForm LoadNormBaseForm(const AppState& state);

// The lines the About box adds about the database: "Нормативная база: …"
// (its name and date, or the files' date and fingerprint) and the table
// count, joined by carriage returns.
std::string AboutDatabaseText(const AppState& state);

// The name the export proposes in its file chooser.
std::string ProposedNormWorkbookName(const NormBaseForm& form);

// «Выгрузить в книгу…» with `file` chosen: writes the database as a
// workbook. A failure is reported through messages; returns false then.
bool ExportNormBase(MainContext& ctx, NormBaseForm& form, const std::filesystem::path& file);

// «Загрузить из книги…» with `file` chosen: the workbook is read and
// checked; problems go to lstProblems and change nothing. A workbook
// without problems replaces the database's files, the program takes the
// new tables at once (ReloadNormTables) and the form shows the new facts.
// Returns true when the database was replaced.
bool ImportNormBase(MainContext& ctx, NormBaseForm& form, const std::filesystem::path& file);

// The tables of the data folder loaded afresh in place of the ones in
// memory: the table and coefficient lists follow them and the open
// estimate is priced again (PriceEstimateAgain). A database that fails to
// load is reported and the tables in memory stay. Returns true when the
// new tables were taken.
bool ReloadNormTables(MainContext& ctx);

// The problems as one text to copy, one a line.
std::string ProblemsText(const NormBaseForm& form);

}  // namespace verdin
