// Late-bound automation: objects called by member name, the values that cross the boundary, and
// the registry of running applications. On Windows this is COM (IDispatch, the running object
// table); elsewhere an in-process registry where stand-ins register under a ProgID.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tabrova::automation {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

struct Empty {
    bool operator==(const Empty&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};
// An error value, as a spreadsheet cell holds one (#N/A is 0x800A07FA, i.e. CVErr(2042)).
struct ErrorValue {
    std::int32_t code = 0;
    bool operator==(const ErrorValue&) const = default;
};
// The omitted optional argument (VT_ERROR with DISP_E_PARAMNOTFOUND on Windows).
struct Missing {
    bool operator==(const Missing&) const = default;
};

class VariantArray;
// Arrays are shared and never changed once made, so that copying a Variant stays cheap.
using VariantArrayPtr = std::shared_ptr<const VariantArray>;

// A value crossing the automation boundary.
class Variant {
public:
    using Value = std::variant<Empty, Null, bool, std::int32_t, double, std::u16string, ObjectPtr,
                               std::vector<double>, ErrorValue, Missing, VariantArrayPtr>;

    Variant() = default;
    Variant(Empty v) : value_(v) {}
    Variant(Null v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::u16string v) : value_(std::move(v)) {}
    Variant(const char16_t* v) : value_(std::u16string(v)) {}
    Variant(ObjectPtr v) : value_(std::move(v)) {}
    Variant(std::vector<double> v) : value_(std::move(v)) {}
    Variant(ErrorValue v) : value_(v) {}
    Variant(Missing v) : value_(v) {}
    Variant(VariantArrayPtr v) : value_(std::move(v)) {}
    Variant(VariantArray v);

    const Value& value() const { return value_; }
    template <class T>
    bool is() const {
        return std::holds_alternative<T>(value_);
    }
    template <class T>
    const T* get_if() const {
        return std::get_if<T>(&value_);
    }

    bool isEmpty() const { return is<Empty>(); }
    bool isNull() const { return is<Null>(); }
    // True for a non-empty object reference.
    bool isObject() const {
        const ObjectPtr* object = get_if<ObjectPtr>();
        return object && *object;
    }

    // The two-dimensional array the value holds (a range's Value2 of several cells); nullptr
    // when it holds none.
    const VariantArray* array() const;

    // Conversions as the automation layer coerces values (VariantChangeType): numbers and
    // Booleans convert to each other (True is -1 as a number), numeric texts to numbers, Empty
    // to 0/false. toInt rounds to nearest with ties to even. Throw AutomationError when the
    // value cannot be converted (Null, an error value, an object, a non-numeric text, a number
    // out of range).
    double toDouble() const;
    std::int32_t toInt() const;
    bool toBool() const;
    // Text form: a number in the general form with 15 significant digits and the given decimal
    // separator (exponent form such as "1E-5" or "1E20" below 0.0001 and from 10^15), a Boolean
    // as "True"/"False", Empty as "". Throws for Null, errors, objects and arrays.
    std::u16string toText(char16_t decimalSeparator = u'.') const;
    // The object; throws AutomationError when the value is not one (also for an object reference
    // that is empty, as a property returns for "Nothing").
    ObjectPtr toObject() const;

private:
    Value value_;
};

// A two-dimensional array of values, rows x columns, indexed from 1 as the spreadsheet's
// Value2 of a range of several cells is: at(1, 1) is the range's top-left cell.
class VariantArray {
public:
    // An array whose every element is Empty.
    VariantArray(std::size_t rows, std::size_t columns);

    std::size_t rows() const { return rows_; }
    std::size_t columns() const { return columns_; }
    // The element at a 1-based row and column; throws std::out_of_range outside the array.
    const Variant& at(std::size_t row, std::size_t column) const;
    Variant& at(std::size_t row, std::size_t column);

private:
    std::size_t rows_;
    std::size_t columns_;
    std::vector<Variant> items_;  // row by row
};

// Failure codes (HRESULT values) that callers and stand-ins use.
namespace errors {
inline constexpr std::int32_t memberNotFound = static_cast<std::int32_t>(0x80020003u);
inline constexpr std::int32_t typeMismatch = static_cast<std::int32_t>(0x80020005u);
inline constexpr std::int32_t unknownName = static_cast<std::int32_t>(0x80020006u);
inline constexpr std::int32_t exception = static_cast<std::int32_t>(0x80020009u);
inline constexpr std::int32_t overflow = static_cast<std::int32_t>(0x8002000Au);
inline constexpr std::int32_t paramNotFound = static_cast<std::int32_t>(0x80020004u);
inline constexpr std::int32_t badParamCount = static_cast<std::int32_t>(0x8002000Eu);
inline constexpr std::int32_t invalidClassString = static_cast<std::int32_t>(0x800401F3u);
inline constexpr std::int32_t operationUnavailable = static_cast<std::int32_t>(0x800401E3u);
}  // namespace errors

// A failed automation call. The message is the server's description (EXCEPINFO) or the system's
// message for the failure code.
class AutomationError : public std::runtime_error {
public:
    AutomationError(std::u16string message, std::int32_t code = 0);
    const std::u16string& message() const { return message_; }
    std::int32_t code() const { return code_; }

private:
    std::u16string message_;
    std::int32_t code_;
};

// A late-bound object. get reads a property (with or without arguments); call invokes a method.
class Object {
public:
    virtual ~Object() = default;
    virtual Variant get(std::u16string_view member, std::span<const Variant> args = {}) = 0;
    virtual Variant call(std::u16string_view member, std::span<const Variant> args = {}) = 0;

    // Conveniences for the common cases.
    Variant get(std::u16string_view member, std::initializer_list<Variant> args) {
        return get(member, std::span<const Variant>(args.begin(), args.size()));
    }
    Variant call(std::u16string_view member, std::initializer_list<Variant> args) {
        return call(member, std::span<const Variant>(args.begin(), args.size()));
    }
    ObjectPtr getObject(std::u16string_view member, std::initializer_list<Variant> args = {}) {
        return get(member, args).toObject();
    }
};

// A registered class, identified by its class identifier in text form.
struct ClassId {
    std::u16string text;
};

// Stand-ins: objects of this process that answer a ProgID as a running application would (the
// tests' spreadsheet and CAD fakes; the program itself registers none). A registered stand-in takes precedence over
// a running application of the same ProgID, on every system. The ProgID matches without regard to
// ASCII letter case and to a version suffix: a stand-in for "Excel.Application" also answers
// "Excel.Application.16".
void registerStandIn(std::u16string_view progId, ObjectPtr application);
void unregisterStandIn(std::u16string_view progId);

// Makes the registry refuse a ProgID as not registered (or accept it again), on every system, as
// long as no stand-in answers it. Lets tests play a ProgID that is not installed; without this,
// a ProgID without a stand-in counts as registered but not running where there is no COM.
void setProgIdRefused(std::u16string_view progId, bool refused);

// Prepares the calling thread for automation calls: on Windows initialises COM once as a
// single-threaded apartment (the program calls this on its user-interface thread at start; the
// registry functions below call it too). Does nothing elsewhere. Throws AutomationError when the
// thread cannot be a single-threaded apartment (something made it multi-threaded before).
void initializeAutomation();

// Whether a running spreadsheet application can be attached to at all: true where COM serves
// other programs (Windows); elsewhere only the program's own stand-ins (an open workbook file)
// answer a ProgID.
bool runningApplicationsReachable();

// ProgID -> class. Throws AutomationError when the ProgID is not registered.
ClassId classIdFromProgId(std::u16string_view progId);

// class -> running instance; nullptr when no instance is running.
ObjectPtr activeObject(const ClassId& classId);

}  // namespace tabrova::automation
