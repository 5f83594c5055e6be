// Real engine tables in a folder of their own for each test.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Database.h"
#include "DataSource.h"
#include "Fields.h"
#include "Table.h"
#include "TempDir.h"

namespace fwtest {

using namespace fw;

struct EngineTables : ::testing::Test {
  fw::test::TempDir temp;
  std::string dir = temp.Path();
  std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);

  void TearDown() override {
    owner->DestroyComponents();
    Session().DropConnections();
  }

  // Guests: ID (primary key), Name (case-insensitive index ByName), Amount,
  // Born, Member, Notes (a memo), EventID (index ByEvent).
  TTable* MakeGuests(const std::string& name = "Guests.db") {
    auto* t = new TTable(owner.get());
    t->SetDatabaseName(dir);
    t->SetTableName(name);
    TFieldDefs* f = t->FieldDefs();
    f->Add("ID", ftInteger, 0, true);
    f->Add("Name", ftString, 20);
    f->Add("Amount", ftFloat);
    f->Add("Born", ftDate);
    f->Add("Member", ftBoolean);
    f->Add("Notes", ftMemo);
    f->Add("EventID", ftInteger);
    t->IndexDefs()->Add("", "ID", {ixPrimary});
    t->IndexDefs()->Add("ByName", "Name", {ixCaseInsensitive});
    t->IndexDefs()->Add("ByEvent", "EventID;ID", {});
    t->CreateTable();
    return t;
  }

  // Appends guests 1..n: "Guest 01".., Amount i * 1.5, EventID i % 3 + 1.
  static void Fill(TTable* t, int n) {
    bool wasActive = t->Active();
    t->Open();
    for (int i = 1; i <= n; ++i) {
      t->Append();
      t->FieldByName("ID")->SetAsInteger(i);
      t->FieldByName("Name")->SetAsString("Guest " + std::string(i < 10 ? "0" : "") + std::to_string(i));
      t->FieldByName("Amount")->SetAsFloat(i * 1.5);
      t->FieldByName("EventID")->SetAsInteger(i % 3 + 1);
      t->Post();
    }
    if (!wasActive) t->Close();
  }

  TTable* OpenGuests(int n) {
    TTable* t = MakeGuests();
    Fill(t, n);
    t->Open();
    return t;
  }
};

}  // namespace fwtest
