// Placeholder so the forms library is never empty; removed when windows land.
namespace kovral_forms_placeholder {
int unused = 0;
}
