// The archive's script: the filter of the list of conversations, and the store that the search
// data files fill. No text reaches the page except as text.
'use strict';

(function () {
    const special = { 'ß': 'ss', 'æ': 'ae', 'œ': 'oe', 'ø': 'o', 'ł': 'l', 'đ': 'd', 'ħ': 'h',
        'ı': 'i', 'ŀ': 'l', 'þ': 'th', 'ð': 'd', 'ς': 'σ' };
    const specialPattern = /[ßæœøłđħıŀþðς]/g;

    // Lower case without accents, so that "Jurgen" finds "Jürgen".
    function fold(text) {
        return text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase()
            .replace(specialPattern, (c) => special[c]);
    }

    // Separators that people type in numbers.
    function bareNumber(text) {
        return text.replace(/[\s\-.()]/g, '');
    }

    const store = { conversations: [], messages: [] };
    window.MK = {
        fold: fold,
        bareNumber: bareNumber,
        store: store,
        conversations: function (list) { store.conversations.push(...list); },
        messages: function (list) {
            for (const item of list) {
                store.messages.push(item);
            }
        },
    };

    function setUpFilter(input) {
        const rows = Array.from(document.querySelectorAll('#conversations > li'));
        const keys = rows.map((row) => fold(row.dataset.filter || '') + ' ' +
            bareNumber(row.dataset.filter || ''));
        const nothing = document.getElementById('nothing');
        const apply = function () {
            const query = fold(input.value.trim());
            const number = bareNumber(query);
            let shown = 0;
            rows.forEach((row, i) => {
                const match = query === '' || keys[i].includes(query) ||
                    (number !== '' && keys[i].includes(number));
                row.hidden = !match;
                shown += match ? 1 : 0;
            });
            nothing.hidden = shown !== 0;
        };
        input.addEventListener('input', apply);
        input.form.addEventListener('submit', (event) => event.preventDefault());
        apply();
    }

    document.addEventListener('DOMContentLoaded', function () {
        const filter = document.getElementById('filter');
        if (filter) {
            setUpFilter(filter);
        }
    });
})();
