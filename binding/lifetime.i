// How long the objects behind a script's proxies live. A script drops proxies in any order and
// keeps them past whatever deleted their objects; none of that may reach freed memory.
//
// - Every pointer object that reaches an element, a manager or a drawing context, and every
//   view into an element (its rectangle, its name, a keyboard's text, a panel's list), is
//   watched: when its object ends, the pointer object is cleared, and a later call with it
//   raises ReferenceError naming the class.
// - An element is held by at most one container (a panel, table, row, tab, tab control or
//   manager): a second hand-over, or one that would put a container inside itself, is refused.
// - A manager lives while a script's proxy of it, or a proxy of an element made with it, is
//   alive; the elements handed to it live as long as it does, and go with it. A
//   drawing context or CAN device lives while its proxy or a manager made with it is alive.
//   The manager keeps its message callbacks.
//
// Everything here runs under the interpreter lock (wrappers, and the end of objects they
// delete): no lock of its own.

%{
#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolkit/CCANDev.h"
#include "toolkit/GUIManager.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxLISTCtrl.h"
#include "ScriptImages.h"

namespace tovgui_life {

// The element an object of a wrapped type is, or null when the type is no element.
uxBaseElement* AsElement(void* object, swig_type_info* type) {
  if (!object || !type) return nullptr;
  swig_cast_info* cast = SWIG_TypeCheckStruct(type, SWIGTYPE_p_uxBaseElement);
  if (!cast) return nullptr;
  int newMemory = 0;
  return static_cast<uxBaseElement*>(SWIG_TypeCast(cast, object, &newMemory));
}

// ---- Watched pointer objects -------------------------------------------------------------

struct Watched {
  const void* object;
  bool view;     // points into the object rather than at it: never given ownership
  bool element;  // a proxy of an element, which needs its manager while a proxy of it lives
};

void StopUsing(uxBaseElement* element);

std::unordered_map<const void*, std::vector<SwigPyObject*>>& ByObject() {
  static auto* map = new std::unordered_map<const void*, std::vector<SwigPyObject*>>;
  return *map;
}
std::unordered_map<SwigPyObject*, Watched>& ByProxy() {
  static auto* map = new std::unordered_map<SwigPyObject*, Watched>;
  return *map;
}

void Watch(const void* object, PyObject* result, bool view, bool element = false) {
  SwigPyObject* proxy = result ? SWIG_Python_GetSwigThis(result) : nullptr;
  if (!object || !proxy || !proxy->ptr || ByProxy().count(proxy)) return;
  ByProxy()[proxy] = Watched{object, view, element && !view};
  ByObject()[object].push_back(proxy);
}

SwigPyObject* Proxy(const void* object);

void Forget(SwigPyObject* proxy) {
  const auto it = ByProxy().find(proxy);
  if (it == ByProxy().end()) return;
  const Watched watched = it->second;
  ByProxy().erase(it);
  if (const auto list = ByObject().find(watched.object); list != ByObject().end()) {
    std::erase(list->second, proxy);
    if (list->second.empty()) ByObject().erase(list);
  }
  if (watched.element && !Proxy(watched.object))
    StopUsing(static_cast<uxBaseElement*>(const_cast<void*>(watched.object)));
}

// Clears every pointer object of an object that ends.
void Clear(const void* object) {
  const auto it = ByObject().find(object);
  if (it == ByObject().end()) return;
  const std::vector<SwigPyObject*> proxies = std::move(it->second);
  ByObject().erase(it);
  for (SwigPyObject* proxy : proxies) {
    proxy->ptr = nullptr;
    proxy->own = 0;
    ByProxy().erase(proxy);
  }
}

// The one living proxy (not a view) that may own the object again, or null.
SwigPyObject* Proxy(const void* object) {
  const auto it = ByObject().find(object);
  if (it == ByObject().end()) return nullptr;
  for (SwigPyObject* proxy : it->second)
    if (!ByProxy()[proxy].view) return proxy;
  return nullptr;
}

void SetOwned(const void* object, int own) {
  const auto it = ByObject().find(object);
  if (it == ByObject().end()) return;
  for (SwigPyObject* proxy : it->second)
    if (!ByProxy()[proxy].view) proxy->own = 0;
  if (own) {
    if (SwigPyObject* proxy = Proxy(object)) proxy->own = own;
  }
}

// Pointer objects are forgotten as they go, after the runtime's own release (which deletes
// what the pointer object owns): only the address is looked up.
destructor g_swigDealloc = nullptr;
void DeallocWatched(PyObject* object) {
  g_swigDealloc(object);
  Forget(reinterpret_cast<SwigPyObject*>(object));
}

// ---- Objects that outlive their script's proxy while others need them ---------------------

// A manager or drawing context: deleted when its script's proxy is released and nothing that
// needs it is left.
struct Anchor {
  int users = 0;
  bool dropped = false;
  void (*finish)(void*) = nullptr;
};
std::unordered_map<void*, Anchor>& Anchors() {
  static auto* map = new std::unordered_map<void*, Anchor>;
  return *map;
}

void Finish(void* object) {
  const auto it = Anchors().find(object);
  if (it == Anchors().end()) return;
  void (*finish)(void*) = it->second.finish;
  Anchors().erase(it);
  finish(object);
}
void Use(void* object) {
  if (const auto it = Anchors().find(object); it != Anchors().end()) ++it->second.users;
}
void Unuse(void* object) {
  const auto it = Anchors().find(object);
  if (it == Anchors().end()) return;
  if (--it->second.users == 0 && it->second.dropped) Finish(object);
}
// The script's proxy let go (dropped or deleted): the object goes now, or with its last user.
void Drop(void* object, void (*finishNow)(void*)) {
  const auto it = Anchors().find(object);
  if (it == Anchors().end()) {
    finishNow(object);
    return;
  }
  it->second.dropped = true;
  if (it->second.users == 0) Finish(object);
}

// What a manager keeps for the script: the context and CAN device it uses (as a user of
// each), the callbacks (as references), and the elements handed to it (deleted with it).
struct ManagerKeeps {
  uxDC* dc = nullptr;
  CCANDev* can = nullptr;
  PyObject* sendCallback = nullptr;
  PyObject* hookCallback = nullptr;
  std::vector<uxBaseElement*> elements;
};
std::unordered_map<GUIManager*, ManagerKeeps>& Managers() {
  static auto* map = new std::unordered_map<GUIManager*, ManagerKeeps>;
  return *map;
}

// The manager each element made with a tracked manager needs, while a proxy of the element
// lives. An element no proxy reaches lives on only inside a container, whose outermost one
// either has a proxy or is held by the manager itself.
std::unordered_map<uxBaseElement*, GUIManager*>& Users() {
  static auto* map = new std::unordered_map<uxBaseElement*, GUIManager*>;
  return *map;
}

void StartUsing(uxBaseElement* element) {
  auto* manager = dynamic_cast<GUIManager*>(element->getGUIManager());
  if (!manager || !Anchors().count(manager) || Users().count(element)) return;
  Users()[element] = manager;
  Use(manager);
}
void StopUsing(uxBaseElement* element) {
  const auto it = Users().find(element);
  if (it == Users().end()) return;
  GUIManager* manager = it->second;
  Users().erase(it);
  Unuse(manager);
}

// ---- Containers ----------------------------------------------------------------------------

// The container (an element, or a manager) holding each held element.
std::unordered_map<uxBaseElement*, const void*>& Holders() {
  static auto* map = new std::unordered_map<uxBaseElement*, const void*>;
  return *map;
}

bool IsHeld(uxBaseElement* element) { return Holders().count(element) != 0; }

// Refuses a hand-over that would let two containers delete the element, or a container
// delete itself: `container` is the element or inside it.
void CheckHandOver(const char* method, const void* container, uxBaseElement* element) {
  for (const void* c = container; c;) {
    if (c == static_cast<const void*>(element))
      throw std::invalid_argument(std::string("in method '") + method + "', the element is the container or holds it");
    const auto it = Holders().find(static_cast<uxBaseElement*>(const_cast<void*>(c)));
    c = it == Holders().end() ? nullptr : it->second;
  }
  if (IsHeld(element))
    throw std::invalid_argument(std::string("in method '") + method + "', the element is already held by a container");
}

// The container holds the element from now on: its proxies own it no longer.
void HandOver(const void* container, uxBaseElement* element) {
  Holders()[element] = container;
  SetOwned(element, 0);
}

// A container let the element go without deleting it: its proxy owns it again, or, when the
// script kept none, it is deleted now.
void GiveBack(uxBaseElement* element) {
  Holders().erase(element);
  if (!Proxy(element)) {
    delete element;
    return;
  }
  SetOwned(element, SWIG_POINTER_OWN);
}

// ---- List items pointing at elements ----------------------------------------------------------

std::unordered_map<uxBaseElement*, std::vector<tListItem*>>& ItemsOf() {
  static auto* map = new std::unordered_map<uxBaseElement*, std::vector<tListItem*>>;
  return *map;
}
void UnpointItem(tListItem* item) {
  if (!item || !item->pElemt) return;
  const auto it = ItemsOf().find(item->pElemt);
  if (it == ItemsOf().end()) return;
  std::erase(it->second, item);
  if (it->second.empty()) ItemsOf().erase(it);
}
void PointItem(tListItem* item, uxBaseElement* element) {
  UnpointItem(item);
  item->pElemt = element;
  if (element) ItemsOf()[element].push_back(item);
}

// What a list control keeps for the items it shows: the script's icons and elements.
std::unordered_map<uxBaseElement*, std::vector<PyObject*>>& KeptByElement() {
  static auto* map = new std::unordered_map<uxBaseElement*, std::vector<PyObject*>>;
  return *map;
}
void KeepFor(uxBaseElement* keeper, PyObject* object) {
  if (!object || object == Py_None) return;
  Py_INCREF(object);
  KeptByElement()[keeper].push_back(object);
}

// ---- The ends -------------------------------------------------------------------------------

void ElementEnded(uxBaseElement* element) {
  if (!Py_IsInitialized()) return;
  Clear(element);
  if (const auto it = Holders().find(element); it != Holders().end()) {
    if (const auto m = Managers().find(static_cast<GUIManager*>(const_cast<void*>(it->second))); m != Managers().end())
      std::erase(m->second.elements, element);
    Holders().erase(it);
  }
  if (const auto it = ItemsOf().find(element); it != ItemsOf().end()) {
    for (tListItem* item : it->second) item->pElemt = nullptr;
    ItemsOf().erase(it);
  }
  StopUsing(element);
  if (const auto it = KeptByElement().find(element); it != KeptByElement().end()) {
    const std::vector<PyObject*> kept = std::move(it->second);
    KeptByElement().erase(it);
    for (PyObject* object : kept) Py_DECREF(object);
  }
}

// In device.i, beside the devices' receive threads.
void FinishDevice(void* object);

void FinishContext(void* object) {
  auto* dc = static_cast<uxDC*>(object);
  Clear(dc);
  tovgui::ScriptImages::Instance().RemoveContext(dc);
  delete dc;
}

void FinishManager(void* object) {
  auto* manager = static_cast<GUIManager*>(object);
  ManagerKeeps keeps;
  if (const auto it = Managers().find(manager); it != Managers().end()) {
    keeps = std::move(it->second);
    Managers().erase(it);
  }
  Clear(manager);
  // Its elements go first: they may still tell it of their end.
  for (uxBaseElement* element : std::vector<uxBaseElement*>(keeps.elements)) {
    const auto held = Holders().find(element);
    if (held == Holders().end() || held->second != static_cast<const void*>(manager)) continue;
    Holders().erase(held);
    delete element;
  }
  delete manager;
  if (keeps.dc) Unuse(keeps.dc);
  if (keeps.can) Unuse(keeps.can);
  Py_XDECREF(keeps.sendCallback);
  Py_XDECREF(keeps.hookCallback);
}

void ManagerMade(GUIManager* manager, uxDC* dc, CCANDev* can) {
  ManagerKeeps& keeps = Managers()[manager];
  if (dc && Anchors().count(dc)) {
    keeps.dc = dc;
    Use(dc);
  }
  if (can && Anchors().count(can)) {
    keeps.can = can;
    Use(can);
  }
}

void KeepCallback(GUIManager* manager, PyObject* callback, bool hook) {
  const auto it = Managers().find(manager);
  if (it == Managers().end()) return;
  PyObject*& slot = hook ? it->second.hookCallback : it->second.sendCallback;
  PyObject* old = slot;
  slot = callback && callback != Py_None ? callback : nullptr;
  Py_XINCREF(slot);
  Py_XDECREF(old);
}

// Pointer objects the wrappers make: objects that can end are watched; new ones the script
// owns are anchored (contexts, managers) or need their manager (elements).
PyObject* NewPointerObj(void* pointer, swig_type_info* type, int flags) {
  PyObject* result = SWIG_Python_NewPointerObj(nullptr, pointer, type, flags);
  if (!result || !pointer) return result;
  const bool made = (flags & SWIG_POINTER_OWN) != 0;
  if (uxBaseElement* element = AsElement(pointer, type)) {
    Watch(element, result, false, true);
    StartUsing(element);
  } else if (type == SWIGTYPE_p_GUIManager) {
    Watch(pointer, result, false);
    if (made) Anchors()[pointer].finish = &FinishManager;
  } else if (type == SWIGTYPE_p_uxDC) {
    Watch(pointer, result, false);
    if (made) Anchors()[pointer].finish = &FinishContext;
  } else if (type == SWIGTYPE_p_CCANDev) {
    Watch(pointer, result, false);
    if (made) Anchors()[pointer].finish = &FinishDevice;
  }
  return result;
}

// The error of a call whose object was deleted: the pointer object is there, its object not.
bool RaiseIfEnded(PyObject* input, const char* method) {
  if (!input || input == Py_None) return false;
  SwigPyObject* proxy = SWIG_Python_GetSwigThis(input);
  if (!proxy || proxy->ptr) return false;
  // The script's name of the class: its proxy class's, else the type's.
  std::string name = proxy->ty ? SWIG_TypePrettyName(proxy->ty) : "object";
  if (name.size() > 2 && name.ends_with(" *")) name.resize(name.size() - 2);
  const auto* data = proxy->ty ? static_cast<SwigPyClientData*>(proxy->ty->clientdata) : nullptr;
  if (PyObject* klass = data ? data->klass : nullptr) {
    if (PyObject* given = PyObject_GetAttrString(klass, "__name__")) {
      if (const char* text = PyUnicode_Check(given) ? PyUnicode_AsUTF8(given) : nullptr) name = text;
      Py_DECREF(given);
    }
    PyErr_Clear();
  }
  PyErr_Format(PyExc_ReferenceError, "in method '%s', the %s was deleted", method, name.c_str());
  return true;
}

}  // namespace tovgui_life

// The wrappers make their pointer objects through the watch above.
#undef SWIG_NewPointerObj
#define SWIG_NewPointerObj(ptr, type, flags) tovgui_life::NewPointerObj(ptr, type, flags)
%}

%init %{
  uxBaseElement::SetEndHook(&tovgui_life::ElementEnded);
  {
    PyTypeObject* pointerType = SwigPyObject_type();
    if (pointerType->tp_dealloc != &tovgui_life::DeallocWatched) {
      tovgui_life::g_swigDealloc = pointerType->tp_dealloc;
      pointerType->tp_dealloc = &tovgui_life::DeallocWatched;
    }
  }
%}

// Any object argument: a deleted one raises, rather than passing as None.
%typemap(in, noblock=1) SWIGTYPE * (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor, $disown | 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  $1 = reinterpret_cast<$ltype>(argp);
  if (!$1 && tovgui_life::RaiseIfEnded($input, "$symname")) SWIG_fail;
}

// An argument that may be None: a deleted object still raises, rather than passing as None.
%typemap(in, noblock=1) SWIGTYPE *MAY_BE_NONE (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  $1 = reinterpret_cast<$ltype>(argp);
  if (!$1 && tovgui_life::RaiseIfEnded($input, "$symname")) SWIG_fail;
}

// The object of a call: a deleted one raises ReferenceError. Deleting clears the pointer
// object, so a second delete does nothing and a later call raises; an element a container
// holds is the container's to delete.
%typemap(in, noblock=1) SWIGTYPE *self (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor, $disown | 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  $1 = reinterpret_cast<$ltype>(argp);
  if (!$1 && !($disown) && tovgui_life::RaiseIfEnded($input, "$symname")) SWIG_fail;
  if ($disown) {
    if (uxBaseElement* element = tovgui_life::AsElement(argp, $descriptor); element && tovgui_life::IsHeld(element)) {
      if (SwigPyObject* proxy = SWIG_Python_GetSwigThis($input)) proxy->own = 0;
      SWIG_exception_fail(SWIG_ValueError, "in method '$symname', the element is held by a container, which deletes it");
    }
    // An element's pointer objects are forgotten as it ends, after the delete below.
    if (SwigPyObject* proxy = SWIG_Python_GetSwigThis($input)) {
      if (!tovgui_life::AsElement(argp, $descriptor)) tovgui_life::Forget(proxy);
      proxy->ptr = nullptr;
    }
  }
}
