// A test automation server: any object of the automation layer (the scripted spreadsheet and CAD
// of the tests) served through IDispatch, so that calls cross real COM. The objects a member
// returns are served the same way. The server counts the calls that reach it, and turns an
// AutomationError of the object into a server exception (DISP_E_EXCEPTION with its text in
// EXCEPINFO).
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Automation.h"

namespace tabrova::testing {

// What all objects of one server share: the member names it has been asked for by their DISPIDs,
// and the counts of the calls that reach it. A member's DISPID is a hash of its name, so that it is
// the same for every object and every server of the process or of another process (as a server's
// type library fixes them), and a client's remembered DISPIDs stay right across servers.
struct ServerCounts {
    std::map<DISPID, std::u16string> names;
    long getIdsOfNames = 0;
    long invokes = 0;
    // The member names and argument types of every Invoke, "Range(BSTR,missing)".
    std::vector<std::wstring> calls;
};

inline DISPID dispIdOf(const std::u16string& name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char16_t c : name) {
        hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
    }
    return static_cast<DISPID>(hash % 0x3FFFFFFFu) + 1;  // positive: never a reserved DISPID
}

class DispatchServer final : public IDispatch {
public:
    // methods: the members that are methods rather than properties, which the object's call
    // answers (a client sends both flags, as late-binding runtimes do; the server knows its own
    // members).
    DispatchServer(automation::ObjectPtr object, std::shared_ptr<ServerCounts> counts,
                   std::shared_ptr<const std::set<std::u16string>> methods)
        : object_(std::move(object)), counts_(std::move(counts)), methods_(std::move(methods)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        ++counts_->getIdsOfNames;
        for (UINT i = 0; i < count; ++i) {
            const std::u16string name(reinterpret_cast<const char16_t*>(names[i]));
            ids[i] = dispIdOf(name);
            counts_->names.emplace(ids[i], name);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* info, UINT*) override {
        ++counts_->invokes;
        const auto known = counts_->names.find(id);
        if (known == counts_->names.end()) return DISP_E_MEMBERNOTFOUND;
        const std::u16string member = known->second;
        std::wstring call(member.begin(), member.end());
        call += L"(";
        try {
            std::vector<automation::Variant> args;
            const UINT count = params ? params->cArgs : 0;
            for (UINT i = 0; i < count; ++i) {
                const VARIANT& arg = params->rgvarg[count - 1 - i];  // last argument first
                std::wstring type;
                args.push_back(fromCom(arg, type));
                call += (i ? L"," : L"") + type;
            }
            counts_->calls.push_back(call + L")");
            const bool isMethod = methods_->count(member) != 0;
            const automation::Variant value =
                isMethod ? object_->call(member, args) : object_->get(member, args);
            if (result) toCom(value, *result);
            return S_OK;
        } catch (const automation::AutomationError& e) {
            if (info) {
                *info = EXCEPINFO{};
                const std::u16string& text = e.message();
                info->bstrSource = SysAllocString(L"Tabrova.TestServer");
                info->bstrDescription = SysAllocStringLen(
                    reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
                info->scode = e.code() ? e.code() : DISP_E_EXCEPTION;
            }
            return DISP_E_EXCEPTION;
        }
    }

private:
    ~DispatchServer() = default;

    static automation::Variant fromCom(const VARIANT& in, std::wstring& type) {
        switch (in.vt) {
            case VT_EMPTY:
                type = L"empty";
                return automation::Empty{};
            case VT_NULL:
                type = L"null";
                return automation::Null{};
            case VT_BOOL:
                type = L"bool";
                return in.boolVal != VARIANT_FALSE;
            case VT_I2:
                type = L"I2";
                return static_cast<std::int32_t>(in.iVal);
            case VT_I4:
                type = L"I4";
                return static_cast<std::int32_t>(in.lVal);
            case VT_R8:
                type = L"R8";
                return in.dblVal;
            case VT_BSTR:
                type = L"BSTR";
                return std::u16string(reinterpret_cast<const char16_t*>(in.bstrVal),
                                      SysStringLen(in.bstrVal));
            case VT_ERROR:
                if (in.scode == DISP_E_PARAMNOTFOUND) {
                    type = L"missing";
                    return automation::Missing{};
                }
                type = L"error";
                return automation::ErrorValue{static_cast<std::int32_t>(in.scode)};
            case VT_ARRAY | VT_R8: {
                type = L"R8[]";
                std::vector<double> values;
                LONG lower = 0;
                LONG upper = -1;
                SafeArrayGetLBound(in.parray, 1, &lower);
                SafeArrayGetUBound(in.parray, 1, &upper);
                for (LONG i = lower; i <= upper; ++i) {
                    double v = 0;
                    SafeArrayGetElement(in.parray, &i, &v);
                    values.push_back(v);
                }
                return values;
            }
            case VT_ARRAY | VT_VARIANT: {
                type = L"VARIANT[,]";
                if (SafeArrayGetDim(in.parray) != 2) break;
                LONG lower[2] = {1, 1};
                LONG upper[2] = {0, 0};
                for (UINT dim = 1; dim <= 2; ++dim) {
                    SafeArrayGetLBound(in.parray, dim, &lower[dim - 1]);
                    SafeArrayGetUBound(in.parray, dim, &upper[dim - 1]);
                }
                automation::VariantArray values(static_cast<std::size_t>(upper[0] - lower[0] + 1),
                                                static_cast<std::size_t>(upper[1] - lower[1] + 1));
                for (std::size_t row = 1; row <= values.rows(); ++row) {
                    for (std::size_t col = 1; col <= values.columns(); ++col) {
                        LONG indexes[2] = {lower[0] + static_cast<LONG>(row - 1),
                                           lower[1] + static_cast<LONG>(col - 1)};
                        VARIANT element;
                        VariantInit(&element);
                        SafeArrayGetElement(in.parray, indexes, &element);
                        std::wstring elementType;
                        values.at(row, col) = fromCom(element, elementType);
                        VariantClear(&element);
                    }
                }
                return values;
            }
            default:
                break;
        }
        throw automation::AutomationError(u"unexpected argument type",
                                          automation::errors::typeMismatch);
    }

    void toCom(const automation::Variant& in, VARIANT& out) {
        VariantInit(&out);
        const auto& v = in.value();
        if (std::holds_alternative<automation::Null>(v)) {
            out.vt = VT_NULL;
        } else if (const auto* b = std::get_if<bool>(&v)) {
            out.vt = VT_BOOL;
            out.boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
        } else if (const auto* i = std::get_if<std::int32_t>(&v)) {
            out.vt = VT_I4;
            out.lVal = *i;
        } else if (const auto* d = std::get_if<double>(&v)) {
            out.vt = VT_R8;
            out.dblVal = *d;
        } else if (const auto* t = std::get_if<std::u16string>(&v)) {
            out.vt = VT_BSTR;
            out.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(t->data()),
                                            static_cast<UINT>(t->size()));
        } else if (const auto* o = std::get_if<automation::ObjectPtr>(&v)) {
            out.vt = VT_DISPATCH;
            out.pdispVal = nullptr;
            if (*o) {
                out.pdispVal = new DispatchServer(*o, counts_, methods_);
                out.pdispVal->AddRef();
            }
        } else if (const auto* e = std::get_if<automation::ErrorValue>(&v)) {
            out.vt = VT_ERROR;
            out.scode = e->code;
        } else if (const auto* a = std::get_if<automation::VariantArrayPtr>(&v); a && *a) {
            // Rows by columns with lower bounds 1, as the spreadsheet gives a range's values.
            // The bounds and an element's indexes both list the rows first.
            SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>((*a)->rows()), 1},
                                        {static_cast<ULONG>((*a)->columns()), 1}};
            SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
            for (std::size_t row = 1; array && row <= (*a)->rows(); ++row) {
                for (std::size_t col = 1; col <= (*a)->columns(); ++col) {
                    VARIANT element;
                    toCom((*a)->at(row, col), element);
                    LONG indexes[2] = {static_cast<LONG>(row), static_cast<LONG>(col)};
                    SafeArrayPutElement(array, indexes, &element);
                    VariantClear(&element);
                }
            }
            if (array) {
                out.vt = VT_ARRAY | VT_VARIANT;
                out.parray = array;
            }
        }  // Empty and the rest: VT_EMPTY
    }

    LONG refs_ = 0;
    automation::ObjectPtr object_;
    std::shared_ptr<ServerCounts> counts_;
    std::shared_ptr<const std::set<std::u16string>> methods_;
};

// Registers the object as the running instance of a test class: the ProgID in the user's classes
// (HKCU\Software\Classes\<ProgID>\CLSID, which Windows merges into HKEY_CLASSES_ROOT; Wine does
// not, and there it goes into HKEY_CLASSES_ROOT itself) and the object in the running object
// table. Undone by the destructor.
class RunningServer {
public:
    RunningServer(const wchar_t* progId, const wchar_t* clsidText, IDispatch* server)
        : progId_(progId) {
        const DWORD size = static_cast<DWORD>((wcslen(clsidText) + 1) * sizeof(wchar_t));
        RegSetKeyValueW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + progId_ + L"\\CLSID").c_str(),
                        nullptr, REG_SZ, clsidText, size);
        CLSID clsid{};
        CLSIDFromString(clsidText, &clsid);
        CLSID found{};
        if (FAILED(CLSIDFromProgID(progId, &found))) {
            inClassesRoot_ = RegSetKeyValueW(HKEY_CLASSES_ROOT, (progId_ + L"\\CLSID").c_str(),
                                             nullptr, REG_SZ, clsidText, size) == ERROR_SUCCESS;
        }
        result_ = RegisterActiveObject(server, clsid, ACTIVEOBJECT_STRONG, &cookie_);
        registered_ = SUCCEEDED(result_);
    }
    ~RunningServer() {
        if (registered_) RevokeActiveObject(cookie_, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + progId_).c_str());
        if (inClassesRoot_) RegDeleteTreeW(HKEY_CLASSES_ROOT, progId_.c_str());
    }
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;
    bool registered() const { return registered_; }
    // What RegisterActiveObject returned.
    HRESULT result() const { return result_; }

private:
    std::wstring progId_;
    DWORD cookie_ = 0;
    HRESULT result_ = E_FAIL;
    bool registered_ = false;
    bool inClassesRoot_ = false;
};

}  // namespace tabrova::testing
