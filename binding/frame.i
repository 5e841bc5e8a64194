// What every wrapper of the module shares beyond SWIG's defaults: how a failed overload
// dispatch, a None record and a failed allocation are reported, and the refusal of None
// objects and of None arguments the toolkit would read.

%include <stdint.i>
%include <std_string.i>

// The toolkit's colour word. Declared as its own name so error texts and prototype lists
// say uxCOLOR.
typedef unsigned int uxCOLOR;

%header %{
#include <new>
#include <string_view>

// A call that fits none of a function's forms is NotImplementedError carrying the list of
// prototypes; SWIG 4.1 raises TypeError there. Emitted after the runtime, so the dispatchers
// below pick this up in place of the runtime's function.
static void tovgui_overload_error(const char* message) { PyErr_SetString(PyExc_NotImplementedError, message); }
#define SWIG_Python_RaiseOrModifyTypeError(m) tovgui_overload_error(m)

// Functions that keep working when their object is None: member setters do nothing
// (tENUM_text_set excepted: it writes through the record), deleting None deletes nothing.
static constexpr bool tovgui_none_object_allowed(std::string_view name) {
  if (name == "tENUM_text_set") return false;
  return name.starts_with("delete_") || name.starts_with("disown_") || name.ends_with("_set");
}
%}

// None given as the object of a member function would reach the toolkit as a null object;
// it is refused as a null reference instead.
%typemap(check, noblock=1) SWIGTYPE *self {
  if (!$1 && !tovgui_none_object_allowed("$symname")) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$1_type'");
  }
}

// A record passed by value or by reference: None passes the overload check and is then
// refused with the null-reference text of the chosen form, instead of failing the dispatch.
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, equivalent="TYPE *", noblock=1) SWIGTYPE &, const SWIGTYPE & {
  void* vptr = 0;
  int res = SWIG_ConvertPtr($input, &vptr, $descriptor, 0);
  $1 = SWIG_CheckState(res);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, equivalent="TYPE *", noblock=1) SWIGTYPE {
  void* vptr = 0;
  int res = SWIG_ConvertPtr($input, &vptr, $&descriptor, 0);
  $1 = SWIG_CheckState(res);
}

// A script's callback that raises, reached through a wrapper (a message sent, a GUI pass, a
// frame handed over by the script): the wrapper returns the callback's own exception to the
// script. Without this the exception would leave the wrapper as C++ and end the process.
%exception {
  try {
    $action
  } catch (Swig::DirectorException&) {
    SWIG_fail;
  } catch (std::bad_alloc&) {
    // A request the toolkit refuses or the allocator cannot meet is the script's MemoryError,
    // not the end of the process.
    SWIG_exception_fail(SWIG_MemoryError, "in method '$symname': out of memory");
  }
}

// Arguments the toolkit reads without a check: applied by name where needed, they refuse
// None as a null reference.
%typemap(check, noblock=1) SWIGTYPE *NOT_NONE, char *NOT_NONE, char const *NOT_NONE {
  if (!$1) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$1_type'");
  }
}

// An object handed to a container belongs to the container from then on: the container
// deletes it when cleared or deleted (lifetime.i). A refused call (None, a wrong type, a check
// that fails) leaves the owner as it was.
%typemap(in, noblock=1) SWIGTYPE *HANDED_OVER (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  $1 = reinterpret_cast<$ltype>(argp);
  if (!$1 && tovgui_life::RaiseIfEnded($input, "$symname")) SWIG_fail;
}
%typemap(check, noblock=1) SWIGTYPE *HANDED_OVER {
  if (!$1) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$1_type'");
  }
}

// A container refuses what it would delete twice (the same object twice, or itself): the
// call's body throws std::invalid_argument with the text, which becomes the script's
// ValueError; the owner stays as it was.
%define TOVGUI_REFUSES_TWICE(function)
%exception function {
  try {
    $action
  } catch (std::invalid_argument& e) {
    SWIG_exception_fail(SWIG_ValueError, e.what());
  } catch (std::bad_alloc&) {
    SWIG_exception_fail(SWIG_MemoryError, "in method '$symname': out of memory");
  }
}
%enddef

// The point and the rectangle are taken by the base element before their own classes are
// declared (records.i): the function table lists the base element first.
typedef struct tag_uxPOINT uxPOINT;
typedef struct tag_uxRECT uxRECT;

// A rectangle passed by value is rebuilt from its corners, as the copy form above: width and
// height are worked out again, so one whose width member went stale still means its corners.
%typemap(in, noblock=1) uxRECT (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $&descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  if (!argp) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$type'");
  }
  {
    const uxRECT& given = *static_cast<const uxRECT*>(argp);
    $1 = uxRECT(given.left, given.top, given.right, given.bottom);
  }
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, noblock=1) uxRECT {
  void* vptr = 0;
  int res = SWIG_ConvertPtr($input, &vptr, $&descriptor, 0);
  $1 = SWIG_CheckState(res);
}
