// The three services of the main window that the rest of the program calls:
// the message log, the progress text and the progress bar.
#pragma once
#include <string>

namespace platform {

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;
  virtual void AddMessage(const std::string& line) = 0;
  // Splits at "\n" and appends each part as a line.
  virtual void AddMessageLines(const std::string& text) = 0;
  virtual void SetProgressMessage(const std::string& text) = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Lets the window repaint during a long operation (no user input).
  virtual void ProcessMessages() = 0;
};

// The main window's services; until the window sets itself, a silent stand-in.
MainWindowServices& MainServices();
void SetMainServices(MainWindowServices* services);  // nullptr restores the stand-in

}  // namespace platform
