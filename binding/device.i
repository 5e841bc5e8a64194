// The devices under a script's screen: the touch-input driver, the manager's empty interface,
// the CAN device with its receive loop, and the frame callback scripts derive from.

%{
#include <set>

#include "toolkit/CCANDev.h"
#include "toolkit/CDrvInput.h"
#include "toolkit/GUIManager.h"

namespace {

// Whether the frame callback now running was entered by a thread that held no interpreter
// lock before (the device's receive thread): nobody there could take the callback's error.
thread_local bool t_frameOnOwnThread = false;

// The device calls a script's frame callback between these two. The token remembers the
// lock state and the flag above of the call it encloses, so callbacks may nest.
int TakeLockForFrame() {
  const PyGILState_STATE state = PyGILState_Ensure();
  const int token = (state == PyGILState_LOCKED ? 1 : 0) | (t_frameOnOwnThread ? 2 : 0);
  t_frameOnOwnThread = state == PyGILState_UNLOCKED;
  return token;
}

void GiveLockAfterFrame(int token) {
  t_frameOnOwnThread = (token & 2) != 0;
  PyGILState_Release((token & 1) ? PyGILState_LOCKED : PyGILState_UNLOCKED);
}

// Devices a script opened and has not deleted. The interpreter closes them on its way out,
// before it stops serving threads: a receive thread that asked for the lock after that would
// be ended by the interpreter in the middle of the device's code.
std::set<CCANDev*>& OpenedDevices() {
  static auto* devices = new std::set<CCANDev*>;
  return *devices;
}

PyObject* CloseOpenedDevices(PyObject*, PyObject*) {
  std::set<CCANDev*> devices;
  devices.swap(OpenedDevices());
  PyThreadState* unlocked = PyEval_SaveThread();
  for (CCANDev* device : devices) device->Close();
  PyEval_RestoreThread(unlocked);
  Py_RETURN_NONE;
}

PyMethodDef g_closeOpenedDevices = {"tovgui_close_opened_devices", CloseOpenedDevices, METH_NOARGS, nullptr};

}  // namespace

namespace tovgui_life {

// Deleting waits for the receive thread, which may itself be waiting for the interpreter
// lock to hand a frame to the script: the lock is given up for the wait.
void FinishDevice(void* object) {
  auto* device = static_cast<CCANDev*>(object);
  Clear(device);
  OpenedDevices().erase(device);
  PyThreadState* unlocked = PyEval_SaveThread();
  delete device;
  PyEval_RestoreThread(unlocked);
}

}  // namespace tovgui_life
%}

%init %{
  CCANDev::SetCallbackLock({&TakeLockForFrame, &GiveLockAfterFrame});
  {
    PyObject* closer = PyCFunction_New(&g_closeOpenedDevices, nullptr);
    PyObject* atexit = PyImport_ImportModule("atexit");
    PyObject* registered = closer && atexit ? PyObject_CallMethod(atexit, "register", "O", closer) : nullptr;
    Py_XDECREF(registered);
    Py_XDECREF(atexit);
    Py_XDECREF(closer);
    if (!registered) return NULL;
  }
%}

class IGUIManager {
 public:
  IGUIManager();
  ~IGUIManager();
};

class CDrvInput {
 public:
  CDrvInput();
  ~CDrvInput();
  void open(char *path);
  void close();
  void DoService();
  virtual void OnTouchEvent(int x, int y, int kind);
  virtual void OnEncoder(int, bool);
  virtual void OnKey(int, bool);
};

class CANDevCB;

// Closing waits for the receive thread, which may itself be waiting for the interpreter lock
// to hand a frame to the script: the lock is given up for the wait. No callback runs on the
// calling thread here, so no script error can come back.
%exception CCANDev::Close {
  PyThreadState* unlocked = PyEval_SaveThread();
  $action
  PyEval_RestoreThread(unlocked);
}
%exception CCANDev::Open {
  $action
  if (result == 0) OpenedDevices().insert(arg1);
}

// The device keeps only the pointer: a callback stored through the member belongs to the
// native side from then on, its script object included (it stays alive when the script drops
// it). Reading the member gives a new proxy, which reaches the script's methods through the
// callback's virtual functions.
%typemap(check, noblock=1) CANDevCB *m_cb {
  if (Swig::Director* director = SWIG_DIRECTOR_CAST($1)) director->swig_disown();
}
%typemap(out, noblock=1) CANDevCB *m_cb {
  $result = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
}

class CCANDev {
 public:
  CCANDev();
  %extend {
    // Managers made with the device keep it until they end (lifetime.i).
    ~CCANDev() { tovgui_life::Drop($self, &tovgui_life::FinishDevice); }
  }
  int Open(char const *name);
  virtual void Close();
  void SendMessage(uint16_t id, uint8_t a, uint8_t b, uint8_t c, uint8_t d);
  void SendRAW(uint16_t id, uint8_t *data, int len);
  virtual void OnCanMessage(uint16_t id, uint8_t *data, uint8_t len);
  void registerCallback(CANDevCB *cb);
  CANDevCB *m_cb;
  bool m_fRun;
  int m_can_sock;
};
%exception CCANDev::Open;
%exception CCANDev::Close;
%clear CANDevCB *m_cb;

%feature("director") CANDevCB;
// An error of a script's frame callback goes back to the script that handed the frame over
// (CCANDev_OnCanMessage, CANThread); on the device's receive thread there is no such script,
// so it is reported as unraisable and the next frame is delivered.
%feature("director:except") CANDevCB::MessageReceived {
  if ($error != NULL) {
    if (t_frameOnOwnThread) {
      PyErr_WriteUnraisable(swig_get_self());
    } else {
      Swig::DirectorMethodException::raise("Error detected when calling 'CANDevCB.MessageReceived'");
    }
  }
}

class CANDevCB {
 public:
  virtual void run(int);
  virtual void MessageReceived(uint16_t id, uint8_t *data, uint8_t len);
  virtual ~CANDevCB();
};

// The receive loop runs on whatever it is given; anything but a CAN device would be read as
// one, so other pointers are refused with the parameter's own text, and None as a null
// reference.
%typemap(in, noblock=1) void *CANThread_device (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, SWIGTYPE_p_CCANDev, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type 'void *'");
  }
  if (!argp) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type 'void *'");
  }
  $1 = argp;
}
void *CANThread(void *CANThread_device);
%clear void *CANThread_device;
