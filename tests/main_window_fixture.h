// A main window started on a small database written by the test: the
// fixture of the tests of the main window's commands.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/norm_loader.h"
#include "core/line_file.h"
#include "forms/estimate_list.h"
#include "forms/program.h"
#include "forms/save_estimate.h"
#include "test_support.h"

namespace verdin::testing {


inline std::vector<std::string> ThirtyPoints() {
  std::vector<std::string> lines;
  for (int p = 1; p <= 30; ++p) lines.push_back(std::to_string(p * 10) + "; " + std::to_string(p) + "; м");
  return lines;
}

inline void WriteDatabase(const std::filesystem::path& data) {
  std::vector<std::string> tables = {"\\0. Таблица пользователя", "\\1. Без расчета",
                                     "\\2. Процент от СМР",       "\\2.1. Здания",
                                     "/3. Жилые дома",           "1000; 18552,02; общая площадь, м2",
                                     "5000; 83289,25; общая площадь, м2",
                                     "/4. Один пункт",           "100; 83,29; шт",
                                     "/5. Без точек",            "\\2.2. Сети",
                                     "/1. Тридцать точек"};
  for (const auto& line : ThirtyPoints()) tables.push_back(line);
  tables.insert(tables.end(), {"\\2.18. Жилые дома", "/1. Дома", "100; 10; м2", "\\2.3. Без пунктов", "\\END"});
  WriteLines(data / PathFromText(kTablesFileName), tables);
  WriteLines(data / PathFromText(kIndustryFileName), {"Энергетика; 1,1", "Связь; 1,2", "Транспорт; 1,3"});
  std::vector<std::string> notes;
  for (int k = 1; k <= 8; ++k) {
    notes.push_back("\\Примечание " + std::to_string(k));
    notes.push_back("текст " + std::to_string(k));
  }
  notes.push_back("\\END");
  WriteLines(data / PathFromText(kNotesFileName), notes);
  WriteLines(data / PathFromText(kPercentageFileName), {"0.5;4.2;4.8;5.5;6.3;7.2", "1;3.9;4.5;5.1;5.9;6.7", "5;3.1;3.6;4.2;4.8;5.4"});
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_ / "data");
    WriteDatabase(folder_ / "data");
    WriteLines(folder_ / "vb_prog.ini", {"DATA= " + (folder_ / "data").string(), "ISX= " + folder_.path().string(),
                                         "TEMP= " + (folder_ / "Temp").string()});
    SettingsLocation location;
    location.iniOverride = folder_ / "vb_prog.ini";
    Main(*program_, location, messages_);
    messages_.Clear();
  }

  MainContext Ctx() { return program_->Context(messages_); }
  MainForm& form() { return program_->frm1; }
  AppState& state() { return program_->state; }
  CoefficientForm& koeff() { return program_->frmKoeff; }

  GeneralDataForm& obd() { return program_->frmObD; }

  // Prices with no coefficient ticked, so the cost equals the base price.
  void UntickAll() { koeff().chkKoeff.fill(false); }

  // Selects a table entry and a row, types the quantity and calculates.
  void Calculate(int entry, int row, const std::string& quantity) {
    auto ctx = Ctx();
    SelectTable(ctx, entry);
    if (row >= 0) SelectRow(ctx, row, false);
    form().txtKolic = quantity;
    ASSERT_TRUE(CmdOk(ctx));
  }

  // Adds the calculated item to the estimate under `name`.
  void Add(const std::string& name) {
    form().txtZd = name;
    auto ctx = Ctx();
    ASSERT_TRUE(CmdDob(ctx));
  }

  void ExpectInputError(const std::string& text) {
    ASSERT_EQ(messages_.entries.size(), 2U);
    EXPECT_EQ(messages_.entries[0].kind, RecordingMessages::Kind::Beep);
    EXPECT_EQ(messages_.entries[1].title, "Ошибка в исходных данных!!");
    EXPECT_EQ(messages_.entries[1].text, text);
    EXPECT_EQ(messages_.entries[1].icon, MessageIcon::Warning);
    messages_.Clear();
  }

  TempFolder folder_;
  std::unique_ptr<Program> program_ = NewProgram();
  RecordingMessages messages_;
};


}  // namespace verdin::testing
