#include "shell/ProductIdentity.h"

#include "shell/AppState.h"

namespace {

const ProductIdentity mendrival = {
    "Mendrival",     "KOVEL.HLP",   "Width:000  Height:000  UL:000, 000  LR:000, 000   Mendrival",
    "MendrivalIcon", "KOVELAPMENU",
};

const ProductIdentity palorin = {
    "Palorin", "WPLN.HLP",   "Width:000  Height:000  UL:000, 000  LR:000, 000   Palorin",
    "PlnIcon", "WPLNAPMENU",
};

} // namespace

const ProductIdentity& IdentityOf(int variant) {
    return variant == 0 ? mendrival : palorin;
}

const ProductIdentity& CurrentIdentity() {
    return IdentityOf(productVariant);
}
