// The application object: runs the main dialog modally once; the program ends with it.
#pragma once

class CKestrumApp {
 public:
  // Returns false: there is no message loop beyond the dialog's.
  bool InitInstance();
};
