// Lint for the shipped pages and the build script; `make lint` runs it.
import js from "@eslint/js";
import globals from "globals";

export default [
  { ignores: ["node_modules/**", "placeholder/**"] },
  js.configs.recommended,
  {
    files: ["src/**/*.js", "*.mjs"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "module",
      globals: { ...globals.browser, webkit: "readonly" },
    },
    rules: {
      "no-unused-vars": ["error", { argsIgnorePattern: "^_" }],
      eqeqeq: ["error", "smart"],
      "no-var": "error",
      "prefer-const": "error",
    },
  },
  {
    files: ["*.mjs"],
    languageOptions: { globals: { ...globals.node } },
  },
];
