// The kinds of in-cell editor a cell may ask for (the grid's OnGetEditorType answers one).
#pragma once

enum class TEditorType {
    edNormal,
    edSpinEdit,
    edComboEdit,
    edComboList,
    edEditBtn,
    edCheckBox,
    edDateEdit,
    edDateEditUpDown,
    edTimeEdit,
    edButton,
    edDataCheckBox,
    edNumeric,
    edPositiveNumeric,
    edFloat,
    edCapital,
    edMixedCase,
    edPassword,
    edUnitEditBtn,
    edLowerCase,
    edUpperCase,
    edFloatSpinEdit,
    edTimeSpinEdit,
    edDateSpinEdit,
    edNumericEditBtn,
    edFloatEditBtn,
    edCustom,
    edRichEdit,
    edNone,
    edUniEdit,
    edUniComboEdit,
    edUniComboList
};

// The kinds the grid's own text editor serves (plain text with a character filter or case rule).
constexpr bool IsTextEditorType(TEditorType type) {
    return type == TEditorType::edNormal ||
           (type >= TEditorType::edNumeric && type <= TEditorType::edPassword) ||
           type == TEditorType::edLowerCase || type == TEditorType::edUpperCase;
}
