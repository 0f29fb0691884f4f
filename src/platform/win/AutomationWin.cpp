// Automation through COM: the running object table for attaching, IDispatch for calls by name.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "platform/AutomationSystem.h"
#include "platform/MemberIdCache.h"

namespace tabrova::automation {
namespace {

std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string fromWide(const wchar_t* text, std::size_t length) {
    std::u16string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) out.push_back(static_cast<char16_t>(text[i]));
    return out;
}

std::u16string fromBstr(BSTR text) {
    return text ? fromWide(text, SysStringLen(text)) : std::u16string();
}

// The system's message for a failure code, or the code in hexadecimal when it has none.
std::u16string systemMessage(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = n ? fromWide(buffer, n) : std::u16string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        for (const char* p = code; *p; ++p) text.push_back(static_cast<char16_t>(*p));
    }
    return text;
}

// A call that failed at the caller's side (an unknown member, wrong arguments): the system's
// message and the member it was about.
[[noreturn]] void throwForMember(HRESULT hr, std::u16string_view member) {
    throw AutomationError(systemMessage(hr) + u" (" + std::u16string(member) + u")",
                          static_cast<std::int32_t>(hr));
}

// The error a server raised: its own description when it gave one, else the system's message for
// its code.
[[noreturn]] void throwServerException(HRESULT hr, EXCEPINFO& info, std::u16string_view member) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    const HRESULT code = info.scode ? info.scode : hr;
    std::u16string message = fromBstr(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
    if (message.empty()) message = systemMessage(code) + u" (" + std::u16string(member) + u")";
    throw AutomationError(std::move(message), static_cast<std::int32_t>(code));
}

void clearExcepInfo(EXCEPINFO& info) {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
}

struct VariantHolder {
    VARIANT v;
    VariantHolder() { VariantInit(&v); }
    ~VariantHolder() { VariantClear(&v); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
};

// DISPIDs of the user-interface thread's calls; COM objects of a single-threaded apartment are
// only called from their own thread.
MemberIdCache& memberIds() {
    thread_local MemberIdCache cache;
    return cache;
}

class DispatchObject final : public Object {
public:
    DispatchObject(IDispatch* dispatch, MemberIdCache::Kind kind)
        : dispatch_(dispatch), kind_(kind) {
        dispatch_->AddRef();
    }
    ~DispatchObject() override { dispatch_->Release(); }
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // Both flags, as late-binding runtimes pass them: servers declare many members either as a
    // property or as a method, and answer either request.
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(member, args, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(member, args, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    }

    IDispatch* dispatch() const { return dispatch_; }

private:
    Variant invoke(std::u16string_view member, std::span<const Variant> args, WORD flags);

    IDispatch* dispatch_;
    MemberIdCache::Kind kind_;
};

SAFEARRAY* toSafeArray(const VariantArray& in);

void toComVariant(const Variant& in, VARIANT& out) {
    VariantInit(&out);
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Empty>) {
                out.vt = VT_EMPTY;
            } else if constexpr (std::is_same_v<T, Null>) {
                out.vt = VT_NULL;
            } else if constexpr (std::is_same_v<T, bool>) {
                out.vt = VT_BOOL;
                out.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                out.vt = VT_I4;
                out.lVal = v;
            } else if constexpr (std::is_same_v<T, double>) {
                out.vt = VT_R8;
                out.dblVal = v;
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                const std::wstring wide = toWide(v);
                BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
                if (!text) throw AutomationError(systemMessage(E_OUTOFMEMORY), E_OUTOFMEMORY);
                out.vt = VT_BSTR;
                out.bstrVal = text;
            } else if constexpr (std::is_same_v<T, ObjectPtr>) {
                out.vt = VT_DISPATCH;
                out.pdispVal = nullptr;
                if (v) {
                    const auto* com = dynamic_cast<const DispatchObject*>(v.get());
                    if (!com) {
                        throw AutomationError(u"この処理内のオブジェクトは引数として渡せません.",
                                              errors::typeMismatch);
                    }
                    out.pdispVal = com->dispatch();
                    out.pdispVal->AddRef();
                }
            } else if constexpr (std::is_same_v<T, std::vector<double>>) {
                SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(v.size()));
                if (!array) throw AutomationError(systemMessage(E_OUTOFMEMORY), E_OUTOFMEMORY);
                void* data = nullptr;
                if (FAILED(SafeArrayAccessData(array, &data))) {
                    SafeArrayDestroy(array);
                    throw AutomationError(systemMessage(E_UNEXPECTED), E_UNEXPECTED);
                }
                std::copy(v.begin(), v.end(), static_cast<double*>(data));
                SafeArrayUnaccessData(array);
                out.vt = VT_ARRAY | VT_R8;
                out.parray = array;
            } else if constexpr (std::is_same_v<T, ErrorValue>) {
                out.vt = VT_ERROR;
                out.scode = v.code;
            } else if constexpr (std::is_same_v<T, Missing>) {
                out.vt = VT_ERROR;
                out.scode = DISP_E_PARAMNOTFOUND;
            } else if constexpr (std::is_same_v<T, VariantArrayPtr>) {
                out.vt = VT_EMPTY;
                if (v) {
                    out.parray = toSafeArray(*v);
                    out.vt = VT_ARRAY | VT_VARIANT;
                }
            }
        },
        in.value());
}

// A two-dimensional SAFEARRAY of VARIANTs with lower bounds 1, as the spreadsheet gives a range's
// values. The bounds and an element's indexes both list the rows first (whatever the
// documentation of SafeArrayPutElement says of the index order, the system takes them so).
SAFEARRAY* toSafeArray(const VariantArray& in) {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(in.rows()), 1},
                                {static_cast<ULONG>(in.columns()), 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) throw AutomationError(systemMessage(E_OUTOFMEMORY), E_OUTOFMEMORY);
    try {
        for (std::size_t row = 1; row <= in.rows(); ++row) {
            for (std::size_t col = 1; col <= in.columns(); ++col) {
                VariantHolder element;
                toComVariant(in.at(row, col), element.v);
                LONG indexes[2] = {static_cast<LONG>(row), static_cast<LONG>(col)};
                const HRESULT hr = SafeArrayPutElement(array, indexes, &element.v);
                if (FAILED(hr))
                    throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
            }
        }
    } catch (...) {
        SafeArrayDestroy(array);
        throw;
    }
    return array;
}

Variant fromInteger(long long value) {
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        return static_cast<std::int32_t>(value);
    }
    return static_cast<double>(value);
}

[[noreturn]] void throwUnsupportedType(VARTYPE vt) {
    char text[64];
    std::snprintf(text, sizeof text, " (VARTYPE 0x%04X)", static_cast<unsigned>(vt));
    std::u16string message = u"この型の値には対応していません.";
    for (const char* p = text; *p; ++p) message.push_back(static_cast<char16_t>(*p));
    throw AutomationError(std::move(message), errors::typeMismatch);
}

// A one-dimensional array of numbers (the coordinates that CAD servers exchange).
std::vector<double> fromSafeArray(SAFEARRAY* array, VARTYPE elementType) {
    std::vector<double> out;
    if (!array) return out;
    if (SafeArrayGetDim(array) != 1)
        throwUnsupportedType(static_cast<VARTYPE>(VT_ARRAY | elementType));
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    if (upper < lower) return out;
    out.reserve(static_cast<std::size_t>(upper - lower) + 1);
    for (LONG i = lower; i <= upper; ++i) {
        VariantHolder element;
        HRESULT hr = S_OK;
        if (elementType == VT_VARIANT) {
            VARIANT item;
            VariantInit(&item);
            hr = SafeArrayGetElement(array, &i, &item);
            if (SUCCEEDED(hr)) hr = VariantChangeType(&element.v, &item, 0, VT_R8);
            VariantClear(&item);
        } else {
            switch (elementType) {
                case VT_R8:
                    element.v.vt = VT_R8;
                    hr = SafeArrayGetElement(array, &i, &element.v.dblVal);
                    break;
                case VT_R4: {
                    float value = 0;
                    hr = SafeArrayGetElement(array, &i, &value);
                    element.v.vt = VT_R8;
                    element.v.dblVal = value;
                    break;
                }
                case VT_I4: {
                    LONG value = 0;
                    hr = SafeArrayGetElement(array, &i, &value);
                    element.v.vt = VT_R8;
                    element.v.dblVal = value;
                    break;
                }
                case VT_I2: {
                    SHORT value = 0;
                    hr = SafeArrayGetElement(array, &i, &value);
                    element.v.vt = VT_R8;
                    element.v.dblVal = value;
                    break;
                }
                default:
                    throwUnsupportedType(static_cast<VARTYPE>(VT_ARRAY | elementType));
            }
        }
        if (FAILED(hr)) throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
        out.push_back(element.v.dblVal);
    }
    return out;
}

Variant fromComVariant(const VARIANT& in, MemberIdCache::Kind objectKind);

// A two-dimensional array of VARIANTs (a range's Value2), whatever its lower bounds: element
// (1, 1) is the one at the lower bounds. The first dimension is the rows.
VariantArray fromSafeArray2d(SAFEARRAY* array) {
    LONG lower[2] = {0, 0};
    LONG upper[2] = {-1, -1};
    for (UINT dim = 1; dim <= 2; ++dim) {
        SafeArrayGetLBound(array, dim, &lower[dim - 1]);
        SafeArrayGetUBound(array, dim, &upper[dim - 1]);
    }
    const auto extent = [&](int dim) {
        return upper[dim] < lower[dim] ? std::size_t{0}
                                       : static_cast<std::size_t>(upper[dim] - lower[dim]) + 1;
    };
    VariantArray out(extent(0), extent(1));
    for (std::size_t row = 1; row <= out.rows(); ++row) {
        for (std::size_t col = 1; col <= out.columns(); ++col) {
            LONG indexes[2] = {lower[0] + static_cast<LONG>(row - 1),
                               lower[1] + static_cast<LONG>(col - 1)};
            VariantHolder element;
            const HRESULT hr = SafeArrayGetElement(array, indexes, &element.v);
            if (FAILED(hr)) throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
            out.at(row, col) = fromComVariant(element.v, 0);
        }
    }
    return out;
}

bool holdsObjects(SAFEARRAY* array, VARTYPE elementType) {
    if (elementType == VT_DISPATCH || elementType == VT_UNKNOWN) return true;
    if (elementType != VT_VARIANT || !array || SafeArrayGetDim(array) != 1) return false;
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    if (upper < lower) return false;
    VariantHolder first;
    if (FAILED(SafeArrayGetElement(array, &lower, &first.v))) return false;
    const VARTYPE type = static_cast<VARTYPE>(first.v.vt & VT_TYPEMASK);
    return type == VT_DISPATCH || type == VT_UNKNOWN;
}

Variant fromComVariant(const VARIANT& in, MemberIdCache::Kind objectKind) {
    if (in.vt & VT_BYREF) {
        VariantHolder copy;
        const HRESULT hr = VariantCopyInd(&copy.v, const_cast<VARIANT*>(&in));
        if (FAILED(hr)) throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
        return fromComVariant(copy.v, objectKind);
    }
    if (in.vt & VT_ARRAY) {
        const VARTYPE elementType = static_cast<VARTYPE>(in.vt & VT_TYPEMASK);
        // A CAD's Explode answers with the new entities; the result is not read, and failing
        // on it would report a done explode as failed.
        if (holdsObjects(in.parray, elementType)) return Empty{};
        if (elementType == VT_VARIANT && in.parray && SafeArrayGetDim(in.parray) == 2)
            return fromSafeArray2d(in.parray);
        return fromSafeArray(in.parray, elementType);
    }
    switch (in.vt) {
        case VT_EMPTY:
            return Empty{};
        case VT_NULL:
            return Null{};
        case VT_BOOL:
            return in.boolVal != VARIANT_FALSE;
        case VT_I1:
            return static_cast<std::int32_t>(in.cVal);
        case VT_UI1:
            return static_cast<std::int32_t>(in.bVal);
        case VT_I2:
            return static_cast<std::int32_t>(in.iVal);
        case VT_UI2:
            return static_cast<std::int32_t>(in.uiVal);
        case VT_I4:
            return static_cast<std::int32_t>(in.lVal);
        case VT_INT:
            return static_cast<std::int32_t>(in.intVal);
        case VT_UI4:
            return fromInteger(static_cast<long long>(in.ulVal));
        case VT_UINT:
            return fromInteger(static_cast<long long>(in.uintVal));
        case VT_I8:
            return fromInteger(in.llVal);
        case VT_UI8:
            return in.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<std::int32_t>::max())
                       ? Variant(static_cast<std::int32_t>(in.ullVal))
                       : Variant(static_cast<double>(in.ullVal));
        case VT_R4:
            return static_cast<double>(in.fltVal);
        case VT_R8:
            return in.dblVal;
        case VT_DATE:
            return static_cast<double>(in.date);
        case VT_CY:
            return static_cast<double>(in.cyVal.int64) / 10000.0;
        case VT_DECIMAL: {
            double value = 0;
            const HRESULT hr = VarR8FromDec(const_cast<DECIMAL*>(&in.decVal), &value);
            if (FAILED(hr)) throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
            return value;
        }
        case VT_BSTR:
            return fromBstr(in.bstrVal);
        case VT_ERROR:
            return ErrorValue{static_cast<std::int32_t>(in.scode)};
        case VT_DISPATCH:
            if (!in.pdispVal) return ObjectPtr();
            return ObjectPtr(std::make_shared<DispatchObject>(in.pdispVal, objectKind));
        case VT_UNKNOWN: {
            if (!in.punkVal) return ObjectPtr();
            IDispatch* dispatch = nullptr;
            const HRESULT hr =
                in.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
            if (FAILED(hr) || !dispatch) throwUnsupportedType(in.vt);
            auto object = std::make_shared<DispatchObject>(dispatch, objectKind);
            dispatch->Release();
            return ObjectPtr(std::move(object));
        }
        default:
            throwUnsupportedType(in.vt);
    }
}

Variant DispatchObject::invoke(std::u16string_view member, std::span<const Variant> args,
                               WORD flags) {
    // Arguments go to IDispatch::Invoke last first. A holder per argument clears it on any exit.
    std::vector<VariantHolder> argv(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        toComVariant(args[args.size() - 1 - i], argv[i].v);
    // VariantHolder is a VARIANT with a destructor; the array of holders is laid out as an array
    // of VARIANTs.
    static_assert(sizeof(VariantHolder) == sizeof(VARIANT));
    DISPPARAMS params{};
    params.rgvarg = args.empty() ? nullptr : &argv[0].v;
    params.cArgs = static_cast<UINT>(args.size());

    VariantHolder result;
    EXCEPINFO info{};
    UINT argError = 0;
    HRESULT hr = S_OK;
    auto lookup = [&]() -> std::int32_t {
        std::wstring name = toWide(member);
        LPOLESTR names[] = {name.data()};
        DISPID id = DISPID_UNKNOWN;
        const HRESULT found =
            dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(found)) throwForMember(found, member);
        return static_cast<std::int32_t>(id);
    };
    auto call = [&](std::int32_t id) {
        clearExcepInfo(info);
        VariantClear(&result.v);
        argError = 0;
        hr = dispatch_->Invoke(static_cast<DISPID>(id), IID_NULL, LOCALE_USER_DEFAULT, flags,
                               &params, &result.v, &info, &argError);
        return hr != DISP_E_MEMBERNOTFOUND;
    };
    memberIds().invokeByName(kind_, member, lookup, call);

    if (hr == DISP_E_EXCEPTION) throwServerException(hr, info, member);
    clearExcepInfo(info);
    if (FAILED(hr)) throwForMember(hr, member);
    if (result.v.vt == VT_DISPATCH || result.v.vt == VT_UNKNOWN ||
        result.v.vt == (VT_DISPATCH | VT_BYREF) || result.v.vt == (VT_UNKNOWN | VT_BYREF)) {
        return fromComVariant(result.v, memberIds().childKind(kind_, member, args.size()));
    }
    return fromComVariant(result.v, 0);
}

}  // namespace

namespace system {

void initialize() {
    // Once per thread: the program's user-interface thread, where every automation call runs. A
    // toolkit that initialised COM (or OLE) on the thread before leaves it as it is; the extra
    // reference taken here is held for the life of the process.
    thread_local bool done = false;
    if (done) return;
    // S_FALSE: the thread already was a single-threaded apartment. RPC_E_CHANGED_MODE: it was
    // made multi-threaded, where the message filter and the servers' callbacks cannot work.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        throw AutomationError(
            u"COM をシングルスレッド アパートメントとして初期化できませんでした: " +
                systemMessage(hr),
            static_cast<std::int32_t>(hr));
    }
    done = true;
}

bool reachesOtherPrograms() { return true; }

ClassId classIdFromProgId(std::u16string_view progId) {
    const std::wstring name = toWide(progId);
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    // An unregistered ProgID reads as on every other system; the system's message tables may
    // have no text for the code (Wine has none).
    if (hr == CO_E_CLASSSTRING) throw AutomationError(u"クラス文字列が無効です.", hr);
    if (FAILED(hr)) throw AutomationError(systemMessage(hr), static_cast<std::int32_t>(hr));
    wchar_t text[64] = {};
    const int length = StringFromGUID2(clsid, text, 64);
    return ClassId{fromWide(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0)};
}

ObjectPtr activeObject(const ClassId& classId) {
    std::wstring text = toWide(classId.text);
    CLSID clsid{};
    if (FAILED(CLSIDFromString(text.data(), &clsid))) return nullptr;
    IUnknown* unknown = nullptr;
    if (FAILED(GetActiveObject(clsid, nullptr, &unknown)) || !unknown) return nullptr;
    IDispatch* dispatch = nullptr;
    const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (FAILED(hr) || !dispatch) return nullptr;
    auto object = std::make_shared<DispatchObject>(dispatch, memberIds().rootKind(classId.text));
    dispatch->Release();
    return object;
}

}  // namespace system
}  // namespace tabrova::automation
