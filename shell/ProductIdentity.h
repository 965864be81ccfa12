// The two product identities built from this source tree. `productVariant` (fixed per program
// at build time) picks one: 1 Palorin, 0 Mendrival.
#pragma once

struct ProductIdentity {
    const char* title;           // initial window title, also the single-instance key
    const char* helpFile;        // help file passed to WinHelpA
    const char* captionTemplate; // status caption while a rectangle exists
    const char* iconResource;    // class icon
    const char* menuResource;    // class menu
};

// The identity for a variant value: 0 Mendrival, any other value Palorin.
const ProductIdentity& IdentityOf(int variant);

// The identity this program was built as.
const ProductIdentity& CurrentIdentity();
