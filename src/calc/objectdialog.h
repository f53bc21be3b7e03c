#pragma once
// The live evaluation of the object dialog, without widgets: the texts of the size boxes go in,
// the N box, the calculation and justification texts and the zone and category picks come out.
// The window only mirrors this state into its controls.

#include <optional>
#include <string>
#include <vector>

namespace kv {

enum class ObjectField { Name, Label, X, Y, L, S, Hx, Kateg, Zona };

struct DialogError {
    std::string message;
    ObjectField focus;
};

// The values the dialog writes into an object row on OK (positions not yet snapped).
struct ObjectDialogValues {
    std::string name, label;
    double x = 0, y = 0, L = 0, S = 0, Hx = 0, N = 0;
    int kateg = 0;
    std::string zona;
    int buildingClass = 1;
    std::string shapeKind;
};

class ObjectDialogCalc {
public:
    // T: the project's ProdGrozMin; n: the project's Udarov.
    ObjectDialogCalc(int T, double n) : m_T(T), m_n(n) {}

    // Box texts (as typed).
    std::string name, label, x = "5", y = "5", L = "10", S = "5", Hx = "5", N = "0";
    std::string zona = "А", kateg = "1"; // the list picks ("" = the empty item)
    std::vector<std::string> memoN;      // the "Расчет N" text, line by line
    std::string memoObos;                // the justification text

    int buildingClass() const { return m_class; }
    void setBuildingClass(int k) { m_class = k; }

    // Activation: computes N and applies the rule of the current class.
    std::optional<DialogError> activate();
    // Computes N from the boxes when they hold numbers; an unconvertible box gives an error.
    std::optional<DialogError> computeN();
    // A radio button: makes k the current class, computes N and applies its rule.
    std::optional<DialogError> chooseClass(int k);
    // A change of the L, S or Hx box: N and the rule of the checked class again.
    std::optional<DialogError> sizeChanged();
    // The OK checks in their order; on success the values to write.
    std::optional<DialogError> accept(ObjectDialogValues &out) const;

private:
    std::optional<DialogError> applyRule();
    int m_T;
    double m_n;
    int m_class = 1;
};

inline constexpr const char *kMsgBadNumber = "Ошибочное значение для числового параметра.";
// The message of an empty required field, naming the field as its label reads.
inline std::string fieldRequiredMessage(const std::string &field)
{
    return "Ошибка. Заполнение поля «" + field + "» обязательно.";
}
inline constexpr const char *kMsgNoProtectionObject =
    "Ошибка. В проекте запрещено использование объектов, не требующих молниезащиты (с пустым "
    "значением полей \"Категория молниезащиты\" или \"Тип зоны защиты\").";

} // namespace kv
