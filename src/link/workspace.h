// What the program works on: its settings, the target description, the two
// register sets, the user tables and the target control. main() owns one and
// hands it by reference to whatever needs it; a test builds its own.
#pragma once
#include "link/targetcontrol.h"
#include "model/linksettings.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/tables.h"
#include "model/vunddata.h"
#include "platform/mainthread.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

class Workspace : platform::MainThreadOnly {
 public:
  // ui: the modal questions of every part (it outlives the workspace).
  explicit Workspace(platform::Ui& userInterface)
      : ui(userInterface),
        settings(userInterface),
        vund(userInterface),
        linkSettings(settings, vund, userInterface, services),
        TargetControl(userInterface, services, SRegisters, HRegisters) {}

  platform::Ui& ui;
  // The main window's log and progress once it has set itself here.
  platform::MainWindowServicesSlot services;
  SystemSettings settings;
  VundData vund;  // vund.dat
  Registers SRegisters;
  Registers HRegisters;
  Tables UserTables;
  // Connecting takes the link's settings from here.
  ProgramLinkSettings linkSettings;
  TTargetControl TargetControl;
};
