// The functions web/mirtabel_wasm.cpp calls: each hands its bytes to the conversion under way,
// which web/mirtabel_api.js sets on the module as `mirtabelConversion`.
mergeInto(LibraryManager.library, {
  mirtabel_read_input: function (buffer, capacity) {
    return Module["mirtabelConversion"].read(HEAPU8.subarray(buffer, buffer + capacity));
  },
  mirtabel_rewind_input: function () {
    Module["mirtabelConversion"].rewind();
  },
  mirtabel_write_output: function (bytes, size) {
    return Module["mirtabelConversion"].write(HEAPU8.subarray(bytes, bytes + size));
  },
  mirtabel_recipe_left_out: function (title, titleSize, firstLineEnd, begin, end, recordsBefore) {
    Module["mirtabelConversion"].leftOut(
      HEAPU8.subarray(title, title + titleSize), firstLineEnd, begin, end, recordsBefore);
  },
  mirtabel_recipes_cut: function (count, tooLong) {
    Module["mirtabelConversion"].cutRecipes = count;
    Module["mirtabelConversion"].tooLong = tooLong;
  },
  mirtabel_input_warning: function (kind, text, size) {
    const conversion = Module["mirtabelConversion"];
    conversion.heard.push({ kind, text: conversion.decoder.decode(HEAPU8.subarray(text, text + size)) });
  },
  mirtabel_marker_used: function (text, size) {
    const conversion = Module["mirtabelConversion"];
    conversion.marker = conversion.decoder.decode(HEAPU8.subarray(text, text + size));
  },
});
