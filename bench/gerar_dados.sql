/* Clientes, e-mails e produtos da empresa 1 para o benchmark, gerados no
   próprio servidor. @DE@ e @ATE@ são trocados pelo script (um trecho por
   transação). Larguras de um cadastro real: nomes com acentos, endereços,
   documentos formatados, valores com centavos, datas dos últimos anos. */
set term ^ ;
execute block as
  declare i integer = @DE@;
  declare nome varchar(60);
  declare fantasia varchar(60);
begin
  while (i <= @ATE@) do
  begin
    nome = decode(mod(:i, 12), 0, 'José', 1, 'Maria', 2, 'João', 3, 'Ana Clara', 4, 'Antônio',
                  5, 'Francisca', 6, 'Luís Fernando', 7, 'Conceição', 8, 'Sebastião', 9, 'Gabriela',
                  10, 'Raimundo', 'Letícia') || ' ' ||
           decode(mod(:i / 12, 10), 0, 'da Silva', 1, 'Gonçalves', 2, 'Araújo', 3, 'Conceição',
                  4, 'Pereira', 5, 'Magalhães', 6, 'Ribeiro', 7, 'Assunção', 8, 'Lima', 'Brandão') || ' ' ||
           decode(mod(:i / 120, 8), 0, 'Santos', 1, 'Oliveira', 2, 'Souza', 3, 'Fonseca',
                  4, 'Nascimento', 5, 'Carvalho', 6, 'Guimarães', 'Rocha');
    fantasia = decode(mod(:i, 7), 0, 'Mercado ', 1, 'Padaria ', 2, 'Auto Peças ', 3, 'Farmácia ',
                      4, 'Loja ', 5, 'Açougue ', 'Distribuidora ') ||
               decode(mod(:i / 7, 9), 0, 'São Jorge', 1, 'Bom Preço', 2, 'Central', 3, 'Estrela',
                      4, 'Irmãos Unidos', 5, 'Boa Vista', 6, 'Nossa Senhora', 7, 'Progresso', 'do Povo');
    insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, NOME_FANTASIA, ENDERECO, NUMERO,
                          COMPLEMENTO, BAIRRO, CEP, PESSOA, CPF_CNPJ, RG_IE, INSC_ESTADUAL, FONE,
                          CELULAR, LIMITE_CREDITO, DT_CADASTRO, DATA_ULT_COMPRA, VALOR_ULT_COMPRA,
                          REP_CODIGO, INATIVO, INDICADOR_PRESENCA, CID_CODIGO, OBSERVACAO)
    values (1, :i, :nome, iif(mod(:i, 5) = 0, null, :fantasia),
            decode(mod(:i, 6), 0, 'Rua ', 1, 'Avenida ', 2, 'Travessa ', 3, 'Rua ', 4, 'Alameda ', 'Praça ') ||
              decode(mod(:i / 6, 8), 0, 'Marechal Deodoro da Fonseca', 1, 'Dom Pedro II',
                     2, 'Sete de Setembro', 3, 'Tiradentes', 4, 'Presidente Getúlio Vargas',
                     5, 'das Acácias', 6, 'Barão do Rio Branco', 'XV de Novembro'),
            mod(:i * 37, 3000) + 1,
            iif(mod(:i, 3) = 0, 'Apto ' || mod(:i, 140) || ' Bloco ' || ascii_char(65 + mod(:i, 4)), null),
            decode(mod(:i / 3, 6), 0, 'Centro', 1, 'Jardim América', 2, 'Vila Nova', 3, 'São Cristóvão',
                   4, 'Boa Esperança', 'Parque Industrial'),
            lpad(mod(:i * 7919, 100000000), 8, '0'),
            iif(mod(:i, 4) = 0, 'J', 'F'),
            iif(mod(:i, 4) = 0,
                lpad(mod(:i, 100), 2, '0') || '.' || lpad(mod(:i * 13, 1000), 3, '0') || '.' ||
                  lpad(mod(:i * 17, 1000), 3, '0') || '/0001-' || lpad(mod(:i, 100), 2, '0'),
                lpad(mod(:i * 31, 1000), 3, '0') || '.' || lpad(mod(:i * 7, 1000), 3, '0') || '.' ||
                  lpad(mod(:i, 1000), 3, '0') || '-' || lpad(mod(:i, 100), 2, '0')),
            lpad(mod(:i * 101, 100000000), 9, '0') || '-' || mod(:i, 10),
            iif(mod(:i, 4) = 0, lpad(mod(:i * 103, 1000000000), 12, '0'), 'ISENTO'),
            '(' || (11 + mod(:i, 80)) || ') ' || (3000 + mod(:i, 6000)) || '-' || lpad(mod(:i * 3, 10000), 4, '0'),
            iif(mod(:i, 3) = 2, null,
                '(' || (11 + mod(:i, 80)) || ') 9' || (8000 + mod(:i, 2000)) || '-' || lpad(mod(:i * 11, 10000), 4, '0')),
            mod(:i * 97, 5000000) / 100.00,
            dateadd(-mod(:i, 3650) day to date '2024-06-30'),
            iif(mod(:i, 9) = 0, null, dateadd(-mod(:i, 400) day to date '2024-06-30')),
            mod(:i * 53, 2000000) / 100.00,
            mod(:i, 40) + 1,
            iif(mod(:i, 25) = 0, 'S', 'N'),
            mod(:i, 10),
            3550308 + mod(:i, 500),
            iif(mod(:i, 5) = 0,
                'Cliente atende de segunda a sexta, das 8h às 18h. Entregar pela portaria; ' ||
                'pedido mínimo de R$ 150,00.', null));
    if (mod(:i, 10) <> 0) then
      insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
      values (1, :i, 1, decode(mod(:i, 12), 0, 'jose', 1, 'maria', 2, 'joao', 3, 'anaclara',
                               4, 'antonio', 5, 'francisca', 6, 'luisfernando', 7, 'conceicao',
                               8, 'sebastiao', 9, 'gabriela', 10, 'raimundo', 'leticia') ||
                        '.' || :i || '@' ||
                        decode(mod(:i, 4), 0, 'gmail.com', 1, 'hotmail.com', 2, 'uol.com.br', 'empresa.com.br'));
    if (mod(:i, 7) = 0) then
      insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
      values (1, :i, 2, 'financeiro' || :i || '@empresa.com.br');

    insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, UNIDADE, INATIVO, ESTOQUE_DISPONIVEL,
                          PRECO_VENDA, DESCTO_MAXIMO, CODIGO_BARRAS, UNIDADE_TRIBUTAVEL,
                          CODIGO_BARRAS_TRIBUTAVEL, TIPO, NCM, CEST, COMERCIALIZAVEL, ST_CODIGO,
                          PIS_CODIGO, COFINS_CODIGO)
    values (1, :i,
            decode(mod(:i, 10), 0, 'Arroz Agulhinha Tipo 1 ', 1, 'Feijão Carioca ', 2, 'Óleo de Soja ',
                   3, 'Açúcar Cristal ', 4, 'Café Torrado e Moído ', 5, 'Parafuso Sextavado Zincado ',
                   6, 'Detergente Líquido Neutro ', 7, 'Macarrão Espaguete Nº 8 ',
                   8, 'Leite Longa Vida Integral ', 'Farinha de Mandioca Torrada ') ||
              decode(mod(:i / 10, 6), 0, '1 kg', 1, '5 kg', 2, '900 ml', 3, '500 g', 4, 'caixa c/ 12',
                     'fardo c/ 6') || ' - ref. ' || :i,
            decode(mod(:i, 4), 0, 'UN', 1, 'CX', 2, 'KG', 'PCT'),
            iif(mod(:i, 30) = 0, 'S', 'N'),
            mod(:i * 71, 1000000) / 100.00,
            mod(:i * 89, 100000) / 100.00 + 0.99,
            mod(:i, 15),
            '789' || lpad(mod(:i * 7907, 10000000000), 10, '0'),
            decode(mod(:i, 4), 0, 'UN', 1, 'UN', 2, 'KG', 'UN'),
            iif(mod(:i, 3) = 0, null, '789' || lpad(mod(:i * 7919, 10000000000), 10, '0')),
            '00',
            iif(mod(:i, 20) = 0, null, lpad(mod(:i * 4099, 100000000), 8, '0')),
            iif(mod(:i, 2) = 0, lpad(mod(:i * 13, 10000000), 7, '0'), null),
            iif(mod(:i, 50) = 0, 'N', 'S'),
            decode(mod(:i, 3), 0, '060', 1, '000', '010'),
            '001', '001');
    i = i + 1;
  end
end^
set term ; ^
commit;
