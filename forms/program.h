// One run of Verdin: the state and the models of the windows that live as
// long as the program does, and the start-up that fills them.
#pragma once

#include <memory>

#include "core/app_state.h"
#include "core/folders.h"
#include "core/messages.h"
#include "forms/calculator_forms.h"
#include "forms/coefficient_form.h"
#include "forms/construction_cost_form.h"
#include "forms/edit_history.h"
#include "forms/general_data_form.h"
#include "forms/main_commands.h"
#include "forms/main_form.h"

namespace verdin {

struct Program {
  AppState state;
  MainForm frm1;
  CoefficientForm frmKoeff = InitialCoefficientForm();
  GeneralDataForm frmObD = InitialGeneralDataForm(Today());
  QuantityForm frmV;
  PayOutForm frmW;
  ConstructionCostForm frmSMR;
  EditHistory history;  // undo and redo of the estimate

  MainContext Context(Messages& messages) { return {state, frm1, frmKoeff, frmObD, frmW, messages}; }
};

// Main: the settings and folders, then the main window's load (which loads
// the norm database and the coefficient window), then the general-data
// window with its state file and today's date. A failure throws
// std::runtime_error with the Russian message for the user; the program
// cannot run then.
void Main(Program& program, const SettingsLocation& location, Messages& messages);

// The windows' loads of Main, for a run whose folders are already set up
// (SetUpRun): the main window with the norm database and the coefficient
// window, then the general-data window.
void Main(Program& program, Messages& messages);

// A new run on the heap: the state holds large fixed tables.
inline std::unique_ptr<Program> NewProgram() { return std::make_unique<Program>(); }

}  // namespace verdin
