#include "app/Module1.h"

namespace kestrion::Module1 {

std::string UpdateSiteString;
std::string GatemarkSQ;
std::string GatemarkPW;
std::string GatemarkSA;
int32_t ClearClipBoard = 0;
bool GatemarkRESET = false;
bool NoPlay = false;
bool GatemarkCreate = false;
int32_t counter = 0;

void Initialize() {
  ClearClipBoard = 0;
  GatemarkRESET = false;
  NoPlay = false;
  // The rest start empty, False and 0, as on a fresh run.
  UpdateSiteString.clear();
  GatemarkSQ.clear();
  GatemarkPW.clear();
  GatemarkSA.clear();
  GatemarkCreate = false;
  counter = 0;
}

void Finalize() {
  UpdateSiteString = "";
  GatemarkSQ = "";
  GatemarkPW = "";
  GatemarkSA = "";
}

}  // namespace kestrion::Module1
