// Full-text search over the messages that the search data files gave window.MK. The query comes
// from the address (search.html?q=word); results link to each message's anchor.
'use strict';

(function () {
    const MK = window.MK;
    const shownAtMost = 200;
    const around = 60;

    // The folded text with, for each of its characters, where it came from in the original.
    function foldMapped(text) {
        let folded = '';
        const from = [];
        let at = 0;
        for (const ch of text) {
            const part = MK.fold(ch);
            for (let k = 0; k < part.length; ++k) {
                from.push(at);
            }
            folded += part;
            at += ch.length;
        }
        from.push(text.length);
        return { folded: folded, from: from };
    }

    // The message's text near the match, the match marked; all of it as text nodes.
    function snippet(text, query) {
        const paragraph = document.createElement('p');
        paragraph.className = 'snippet';
        paragraph.dir = 'auto';
        const mapped = foldMapped(text);
        const found = mapped.folded.indexOf(query);
        if (found < 0) {
            paragraph.textContent = text.slice(0, 2 * around);
            return paragraph;
        }
        const begin = mapped.from[found];
        const end = mapped.from[found + query.length];
        let start = Math.max(0, begin - around);
        let stop = Math.min(text.length, end + around);
        // Never split a surrogate pair at the edges.
        if (start > 0 && /[\udc00-\udfff]/.test(text[start])) {
            --start;
        }
        if (stop < text.length && /[\udc00-\udfff]/.test(text[stop])) {
            ++stop;
        }
        paragraph.append((start > 0 ? '…' : '') + text.slice(start, begin));
        const mark = document.createElement('mark');
        mark.textContent = text.slice(begin, end);
        paragraph.append(mark, text.slice(end, stop) + (stop < text.length ? '…' : ''));
        return paragraph;
    }

    function result(message, query) {
        const [conversation, page, number, time, text] = message;
        const [name, base] = MK.store.conversations[conversation];
        const item = document.createElement('li');
        const link = document.createElement('a');
        link.className = 'where';
        link.href = base + (page > 1 ? '-' + page : '') + '.html#m' + number;
        const who = document.createElement('span');
        who.className = 'conv';
        who.dir = 'auto';
        who.textContent = name;
        const when = document.createElement('time');
        when.textContent = time;
        link.append(who, ' ', when);
        item.append(link, snippet(text, query));
        return item;
    }

    document.addEventListener('DOMContentLoaded', function () {
        const input = document.getElementById('q');
        const status = document.getElementById('status');
        const list = document.getElementById('results');
        const messages = MK.store.messages;
        const prepareStart = performance.now();
        const folded = messages.map((message) => MK.fold(message[4]));
        const prepared = performance.now() - prepareStart;
        document.documentElement.dataset.prepareMs = prepared.toFixed(1);

        const query = new URLSearchParams(window.location.search).get('q') || '';
        input.value = query;
        const wanted = MK.fold(query.trim());
        if (wanted === '') {
            status.textContent = messages.length + ' messages to search.';
            input.focus();
            return;
        }
        const start = performance.now();
        const hits = [];
        for (let i = 0; i < folded.length; ++i) {
            if (folded[i].includes(wanted)) {
                hits.push(i);
            }
        }
        // The most recent first; the times sort as text.
        hits.sort((a, b) => (messages[a][3] < messages[b][3] ? 1 :
            messages[a][3] > messages[b][3] ? -1 : a - b));
        const items = hits.slice(0, shownAtMost).map((i) => result(messages[i], wanted));
        list.replaceChildren(...items);
        const took = performance.now() - start;
        document.documentElement.dataset.searchMs = took.toFixed(1);
        status.textContent = hits.length + (hits.length === 1 ? ' message' : ' messages') +
            ' found' + (hits.length > shownAtMost ? ', the ' + shownAtMost +
                ' most recent shown' : '') + '.';
    });
})();
