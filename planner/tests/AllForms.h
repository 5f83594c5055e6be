// The planner with all four of its forms, as the program makes them, for
// the commands that reach from the main window into the others.
#pragma once
#include <memory>

#include "Abort.h"
#include "NewData.h"
#include "PlannerTest.h"
#include "Unit3.h"

namespace ostrel::test {

class AllFormsTest : public PlannerTest {
protected:
  void OpenAll(bool sample = true) {
    if (sample) sample::MakeSampleGuests(dir.Path());
    OpenForm();
    Form1 = form.get();
    stopBox_.reset(fw::NewForm<TAbortPrinting>(nullptr));
    AbortPrinting = stopBox_.get();
    setup_.reset(fw::NewForm<TForm3>(nullptr));
    Form3 = setup_.get();
    entry_.reset(fw::NewForm<TNewDataForm>(nullptr));
    NewDataForm = entry_.get();
  }
  // A fresh entry form: Qt's offscreen platform activates a window only
  // the first time it is shown.
  void RenewEntryForm() {
    entry_.reset(fw::NewForm<TNewDataForm>(nullptr));
    NewDataForm = entry_.get();
  }
  void TearDown() override {
    entry_.reset();
    setup_.reset();
    stopBox_.reset();
    NewDataForm = nullptr;
    Form3 = nullptr;
    AbortPrinting = nullptr;
    Form1 = nullptr;
    PlannerTest::TearDown();
  }

private:
  std::unique_ptr<TAbortPrinting> stopBox_;
  std::unique_ptr<TForm3> setup_;
  std::unique_ptr<TNewDataForm> entry_;
};

}  // namespace ostrel::test
